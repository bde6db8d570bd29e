#include "components/digit.h"

#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include <vector>

namespace vindelor {
namespace {

// Counts the repaint requests the digit makes.
class CountingDigit : public TDigit {
  public:
    using TDigit::TDigit;
    int invalidations = 0;

  protected:
    void Invalidate() override {
        ++invalidations;
        TDigit::Invalidate();
    }
};

QPolygon Poly(std::initializer_list<QPoint> points) {
    return QPolygon(QList<QPoint>(points));
}

QImage Grab(TDigit& digit) {
    return digit.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(DigitTest, StartsAsTheMainWindowExpects) {
    TDigit digit;
    EXPECT_EQ(digit.Value(), 0);
    EXPECT_EQ(digit.ValueBinary(), 125);
    EXPECT_EQ(digit.BorderStyle(), TDigit::TBorderStyle::bsSingle);
    EXPECT_EQ(digit.ColorOff(), QColor(0, 0, 0));
    EXPECT_EQ(digit.ColorOn(), QColor(255, 255, 0));
    EXPECT_EQ(digit.Color(), QColor(0, 0, 0));
    EXPECT_EQ(digit.size(), QSize(16, 32));
    EXPECT_FALSE(digit.OnOverflow);
}

TEST(DigitTest, SegmentGeometryOfTheMainWindowDigits) {
    const auto p = TDigit::SegmentPolygons(16, 25);
    EXPECT_EQ(p[0], Poly({{3, 1}, {4, 0}, {11, 0}, {12, 1}, {11, 2}, {4, 2}}));
    EXPECT_EQ(p[1], Poly({{3, 12}, {4, 11}, {11, 11}, {12, 12}, {11, 13}, {4, 13}}));
    EXPECT_EQ(p[2], Poly({{3, 23}, {4, 22}, {11, 22}, {12, 23}, {11, 24}, {4, 24}}));
    EXPECT_EQ(p[3], Poly({{0, 4}, {1, 3}, {2, 4}, {2, 9}, {1, 10}, {0, 9}}));
    EXPECT_EQ(p[4], Poly({{13, 4}, {14, 3}, {15, 4}, {15, 9}, {14, 10}, {13, 9}}));
    EXPECT_EQ(p[5], Poly({{0, 15}, {1, 14}, {2, 15}, {2, 20}, {1, 21}, {0, 20}}));
    EXPECT_EQ(p[6], Poly({{13, 15}, {14, 14}, {15, 15}, {15, 20}, {14, 21}, {13, 20}}));
    EXPECT_EQ(p[7], Poly({{15, 24}, {15, 24}, {15, 24}}));
}

TEST(DigitTest, StrokeUnitIsTheSmallerOfWidthAndHeight) {
    // 46 x 200: width gives t = 3, height would give 13.
    const auto p = TDigit::SegmentPolygons(46, 200);
    EXPECT_EQ(p[0].boundingRect(), QRect(QPoint(5, 0), QPoint(40, 6)));
    EXPECT_EQ(p[7], Poly({{45, 199}, {41, 199}, {45, 195}}));
}

TEST(DigitTest, NarrowControlCollapsesSegmentsToLines) {
    const auto p = TDigit::SegmentPolygons(10, 25);  // W = 9: t = 0
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(p[static_cast<std::size_t>(i)].boundingRect().height(), 1) << "bar " << i;
    }
    for (int i = 3; i < 7; ++i) {
        EXPECT_EQ(p[static_cast<std::size_t>(i)].boundingRect().width(), 1) << "stroke " << i;
    }

    TDigit digit;
    digit.resize(10, 25);
    digit.SetColor(Qt::blue);
    digit.SetValueBinary(255);
    const QImage image = Grab(digit);
    int lit = 0, outline = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            lit += c == digit.ColorOn();
            outline += c == QColor(Qt::black);
        }
    }
    EXPECT_EQ(lit, 0);
    EXPECT_GT(outline, 0);
}

TEST(DigitTest, ValueSetterRules) {
    CountingDigit digit;
    int overflows = 0;
    TDigit* sender = nullptr;
    digit.OnOverflow = [&](TDigit* d) {
        ++overflows;
        sender = d;
    };

    // Every digit selects its pattern.
    const std::uint8_t patterns[10] = {125, 80, 55, 87, 90, 79, 111, 81, 127, 95};
    for (int v : {1, 2, 3, 4, 5, 6, 7, 8, 9, 0}) {
        digit.SetValue(v);
        EXPECT_EQ(digit.Value(), v);
        EXPECT_EQ(digit.ValueBinary(), patterns[v]) << v;
    }
    EXPECT_EQ(overflows, 0);

    // Out of range on a digit showing 3: becomes 0, one overflow, pattern of 0.
    digit.SetValue(3);
    digit.invalidations = 0;
    digit.SetValue(10);
    EXPECT_EQ(digit.Value(), 0);
    EXPECT_EQ(digit.ValueBinary(), 125);
    EXPECT_EQ(overflows, 1);
    EXPECT_EQ(sender, &digit);
    EXPECT_EQ(digit.invalidations, 1);

    // -1 differs from the 0 it holds, so the range check applies again.
    digit.SetValueBinary(0);
    digit.SetValue(-1);
    EXPECT_EQ(digit.Value(), 0);
    EXPECT_EQ(digit.ValueBinary(), 125);
    EXPECT_EQ(overflows, 2);

    // The value it already holds changes nothing, not even a ValueBinary pattern.
    digit.SetValue(4);
    digit.SetValueBinary(128);
    digit.invalidations = 0;
    digit.SetValue(4);
    EXPECT_EQ(digit.ValueBinary(), 128);
    EXPECT_EQ(digit.invalidations, 0);
    EXPECT_EQ(digit.Value(), 4);
}

TEST(DigitTest, OverflowWithoutHandlerIsHarmless) {
    TDigit digit;
    digit.SetValue(7);
    digit.SetValue(100);
    EXPECT_EQ(digit.Value(), 0);
    EXPECT_EQ(digit.ValueBinary(), 125);
}

TEST(DigitTest, SettersRepaintOnlyOnChange) {
    CountingDigit digit;
    digit.SetValueBinary(125);
    digit.SetColorOn(QColor(255, 255, 0));
    digit.SetColorOff(Qt::black);
    digit.SetColor(Qt::black);
    digit.SetBorderStyle(TDigit::TBorderStyle::bsSingle);
    EXPECT_EQ(digit.invalidations, 0);

    digit.SetValueBinary(1);
    digit.SetColorOn(Qt::red);
    digit.SetColorOff(Qt::blue);
    digit.SetColor(Qt::green);
    digit.SetBorderStyle(TDigit::TBorderStyle::bsNone);
    EXPECT_EQ(digit.invalidations, 5);
    EXPECT_EQ(digit.Value(), 0) << "ValueBinary leaves Value alone";
    EXPECT_EQ(digit.BorderStyle(), TDigit::TBorderStyle::bsNone);
}

struct Probe {
    const char* name;
    int bit;
    QPoint inside;
};

// Points well inside each segment of a 46 x 76 digit (t = 3, h = 37).
const Probe kProbes[] = {
    {"top", 0, {22, 3}},          {"middle", 1, {22, 37}},      {"bottom", 2, {22, 72}},
    {"upper left", 3, {3, 20}},   {"upper right", 4, {42, 20}}, {"lower left", 5, {3, 55}},
    {"lower right", 6, {42, 55}}, {"dot", 7, {44, 74}},
};

TEST(DigitTest, PaintsEachSegmentInItsColour) {
    TDigit digit;
    digit.resize(46, 76);
    digit.SetColor(QColor(0, 128, 0));
    digit.SetColorOn(QColor(255, 0, 0));
    digit.SetColorOff(QColor(0, 0, 255));

    for (std::uint8_t pattern : {std::uint8_t{255}, std::uint8_t{0}, std::uint8_t{80},
                                 std::uint8_t{55}, std::uint8_t{128 | 4}}) {
        digit.SetValueBinary(pattern);
        const QImage image = Grab(digit);
        for (const Probe& probe : kProbes) {
            const bool lit = (pattern >> probe.bit) & 1;
            EXPECT_EQ(image.pixelColor(probe.inside), lit ? digit.ColorOn() : digit.ColorOff())
                << probe.name << " with pattern " << int(pattern);
        }
        // Between the strokes and in the corners only the background shows.
        EXPECT_EQ(image.pixelColor(22, 20), digit.Color());
        EXPECT_EQ(image.pixelColor(0, 0), digit.Color());
        EXPECT_EQ(image.pixelColor(45, 0), digit.Color());
    }
}

TEST(DigitTest, MainWindowDigitShowsThinLitBarsInsideTheOutline) {
    TDigit digit;
    digit.resize(16, 25);
    digit.SetValueBinary(TDigit::kTopBar);
    QImage image = Grab(digit);
    EXPECT_EQ(image.pixelColor(7, 1), QColor(255, 255, 0));
    EXPECT_EQ(image.pixelColor(7, 12), QColor(0, 0, 0));  // middle bar unlit
    // The outline is drawn with the painter's default black pen.
    digit.SetColor(Qt::white);
    image = Grab(digit);
    EXPECT_EQ(image.pixelColor(7, 0), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(7, 6), QColor(255, 255, 255));
}

// A digit keeps the pictures it painted; after any change that shows, it must look like a
// digit that never painted before.
TEST(DigitTest, APaintedDigitLooksLikeANewOneAfterEveryChange) {
    TDigit reused;
    auto expectAsNew = [&reused](const char* step) {
        TDigit fresh;
        fresh.resize(reused.size());
        fresh.setPalette(reused.palette());
        fresh.SetValueBinary(reused.ValueBinary());
        fresh.SetColor(reused.Color());
        fresh.SetColorOn(reused.ColorOn());
        fresh.SetColorOff(reused.ColorOff());
        EXPECT_EQ(Grab(reused), Grab(fresh)) << step;
    };
    for (int value : {3, 8, 3}) {
        reused.SetValue(value);
        expectAsNew("value");
    }
    reused.SetColorOn(Qt::red);
    expectAsNew("lit colour");
    reused.SetColorOff(Qt::blue);
    expectAsNew("unlit colour");
    reused.SetColor(Qt::green);
    expectAsNew("background");
    reused.resize(46, 76);
    expectAsNew("size");
    QPalette palette = reused.palette();
    palette.setColor(reused.foregroundRole(), Qt::magenta);
    reused.setPalette(palette);
    expectAsNew("outline from the palette");
    EXPECT_EQ(Grab(reused).pixelColor(22, 0), QColor(Qt::magenta));
}

}  // namespace
}  // namespace vindelor
