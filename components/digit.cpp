#include "components/digit.h"

#include <QPainter>

#include <algorithm>

namespace vindelor {

TDigit::TDigit(QWidget* parent) : QWidget(parent) {
    // The control covers its whole area on every paint.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(16, 32);
}

void TDigit::SetValue(int value) {
    if (value == value_) {
        return;
    }
    if (value < 0 || value > 9) {
        value_ = 0;
        if (OnOverflow) {
            OnOverflow(this);
        }
    } else {
        value_ = value;
    }
    valueBinary_ = kDigitPatterns[static_cast<std::size_t>(value_)];
    Invalidate();
}

void TDigit::SetValueBinary(std::uint8_t pattern) {
    Assign(valueBinary_, pattern);
}

void TDigit::SetBorderStyle(TBorderStyle style) {
    Assign(borderStyle_, style);
}

void TDigit::SetColorOff(const QColor& color) {
    Assign(colorOff_, color);
}

void TDigit::SetColorOn(const QColor& color) {
    Assign(colorOn_, color);
}

void TDigit::SetColor(const QColor& color) {
    Assign(color_, color);
}

void TDigit::Invalidate() {
    update();
}

std::array<QPolygon, 8> TDigit::SegmentPolygons(int width, int height) {
    // Integer arithmetic throughout, so a digit looks the same at every position.
    const int W = width - 1;
    const int H = height - 1;
    const int t = std::min(W / 15, H / 15);
    const int m = 2;
    const int h = H / 2;

    std::array<QPolygon, 8> polygons;
    const int barTops[3] = {0, h - t, H - 2 * t};
    for (int i = 0; i < 3; ++i) {
        const int y0 = barTops[i];
        polygons[static_cast<std::size_t>(i)] =
            QPolygon({QPoint(m + t, y0 + t), QPoint(m + 2 * t, y0), QPoint(W - 2 * t - m, y0),
                      QPoint(W - t - m, y0 + t), QPoint(W - 2 * t - m, y0 + 2 * t),
                      QPoint(m + 2 * t, y0 + 2 * t)});
    }
    // Upper left, upper right, lower left, lower right.
    const int strokeX[4] = {0, W - 2 * t, 0, W - 2 * t};
    const int strokeY[4] = {0, 0, h - t, h - t};
    for (int i = 0; i < 4; ++i) {
        const int x0 = strokeX[i];
        const int y0 = strokeY[i];
        polygons[static_cast<std::size_t>(3 + i)] =
            QPolygon({QPoint(x0, y0 + 2 * t + m), QPoint(x0 + t, y0 + t + m),
                      QPoint(x0 + 2 * t, y0 + 2 * t + m), QPoint(x0 + 2 * t, y0 + h - t - m),
                      QPoint(x0 + t, y0 + h - m), QPoint(x0, y0 + h - t - m)});
    }
    polygons[7] = QPolygon({QPoint(W, H), QPoint(W - 2 * t + m, H), QPoint(W, H - 2 * t + m)});
    return polygons;
}

void TDigit::Render(QPainter& painter) const {
    painter.fillRect(QRect(0, 0, width(), height()), color_);
    // The outline uses whatever pen the painter holds (black by default): the control
    // never chooses one.
    const auto polygons = SegmentPolygons(width(), height());
    for (std::size_t bit = 0; bit < polygons.size(); ++bit) {
        const bool lit = (valueBinary_ >> bit) & 1U;
        painter.setBrush(lit ? colorOn_ : colorOff_);
        painter.drawPolygon(polygons[bit]);
    }
}

void TDigit::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // A colour that lets the background through is drawn over what lies under the digit,
    // which no stored picture holds.
    if (color_.alpha() != 255 || colorOn_.alpha() != 255 || colorOff_.alpha() != 255) {
        Render(painter);
        return;
    }
    const Look look{size(), devicePixelRatioF(), painter.pen(), color_, colorOn_, colorOff_};
    if (!(look == paintedLook_)) {
        pictures_.clear();
        paintedLook_ = look;
    }
    QPixmap& picture = pictures_[valueBinary_];
    if (picture.isNull()) {
        picture = QPixmap(QSize(qRound(width() * look.ratio), qRound(height() * look.ratio)));
        picture.setDevicePixelRatio(look.ratio);
        QPainter into(&picture);
        into.setPen(look.pen);
        Render(into);
    }
    painter.drawPixmap(0, 0, picture);
}

}  // namespace vindelor
