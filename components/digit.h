// One seven-segment digit with a corner dot, drawn from integer polygons so that the
// small digits of the main window stay crisp at 16 x 25 pixels.
#pragma once

#include <QColor>
#include <QHash>
#include <QPen>
#include <QPixmap>
#include <QPolygon>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>

namespace vindelor {

class TDigit : public QWidget {
    Q_OBJECT

  public:
    enum class TBorderStyle { bsNone, bsSingle };
    // Raised with the digit as sender when Value is given a number outside 0 … 9.
    using TOverflow = std::function<void(TDigit*)>;

    // Segment bits of ValueBinary.
    enum Segment : std::uint8_t {
        kTopBar = 1,
        kMiddleBar = 2,
        kBottomBar = 4,
        kUpperLeft = 8,
        kUpperRight = 16,
        kLowerLeft = 32,
        kLowerRight = 64,
        kDot = 128,
    };

    // The pattern Value selects for each digit; the dot is never part of it.
    static constexpr std::array<std::uint8_t, 10> kDigitPatterns = {125, 80,  55, 87,  90,
                                                                    79,  111, 81, 127, 95};

    explicit TDigit(QWidget* parent = nullptr);

    int Value() const { return value_; }
    void SetValue(int value);

    std::uint8_t ValueBinary() const { return valueBinary_; }
    void SetValueBinary(std::uint8_t pattern);

    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);

    QColor ColorOff() const { return colorOff_; }
    void SetColorOff(const QColor& color);

    QColor ColorOn() const { return colorOn_; }
    void SetColorOn(const QColor& color);

    // Background that every paint starts with.
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);

    TOverflow OnOverflow;

    // The eight segment polygons for a control of this size, in bit order (top bar,
    // middle bar, bottom bar, upper left, upper right, lower left, lower right, dot).
    static std::array<QPolygon, 8> SegmentPolygons(int width, int height);

    // Draws the digit as it appears on screen into any paint device of its size.
    void Render(QPainter& painter) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    // Every state change that shows goes through here; a test can count them.
    virtual void Invalidate();

  private:
    // Stores a changed property and repaints; an unchanged one costs nothing.
    template <typename T>
    void Assign(T& field, const T& value) {
        if (field == value) {
            return;
        }
        field = value;
        Invalidate();
    }

    // What a painted picture depends on besides the pattern: the outline is the pen the
    // widget's painter starts with (the palette's), so a changed palette is a new picture.
    struct Look {
        QSize size;
        qreal ratio = 0;
        QPen pen;
        QColor color, colorOn, colorOff;
        bool operator==(const Look& o) const {
            return size == o.size && ratio == o.ratio && pen == o.pen && color == o.color &&
                   colorOn == o.colorOn && colorOff == o.colorOff;
        }
    };

    int value_ = 0;
    std::uint8_t valueBinary_ = kDigitPatterns[0];
    // The seconds digit shows the same ten patterns over and over: each is drawn once for
    // a look and copied after that (a copy is a tenth of the polygons' cost).
    Look paintedLook_;
    QHash<std::uint8_t, QPixmap> pictures_;
    TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
    QColor colorOff_{0, 0, 0};
    QColor colorOn_{255, 255, 0};
    QColor color_{0, 0, 0};
};

}  // namespace vindelor
