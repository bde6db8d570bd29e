#include "components/artwork.h"

#include <QHash>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <functional>

namespace vindelor {
namespace {

// Pictures are drawn on a 32 x 32 grid and scaled to the size asked for.
constexpr double kGrid = 32.0;

QPixmap Drawn(int size, const std::function<void(QPainter&)>& draw) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / kGrid, size / kGrid);
        draw(p);
    }
    return QPixmap::fromImage(image);
}

// ---- rate indicator lights ------------------------------------------------------------

void IndicatorLight(QPainter& p, const QColor& colour, bool lit) {
    const QPointF centre(16, 16);
    if (lit) {
        QRadialGradient glow(centre, 16);
        QColor inner = colour;
        inner.setAlpha(170);
        QColor outer = colour;
        outer.setAlpha(0);
        glow.setColorAt(0.55, inner);
        glow.setColorAt(1.0, outer);
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(centre, 16, 16);
    }
    // Bezel.
    QLinearGradient bezel(0, 5, 0, 27);
    bezel.setColorAt(0, QColor(120, 120, 120));
    bezel.setColorAt(1, QColor(30, 30, 30));
    p.setPen(QPen(QColor(20, 20, 20), 0.8));
    p.setBrush(bezel);
    p.drawEllipse(centre, 11.5, 11.5);

    // Lamp.
    QRadialGradient lamp(QPointF(13.5, 13), 11);
    if (lit) {
        lamp.setColorAt(0.0, colour.lighter(190));
        lamp.setColorAt(0.45, colour);
        lamp.setColorAt(1.0, colour.darker(160));
    } else {
        const QColor dim = colour.darker(330);
        lamp.setColorAt(0.0, dim.lighter(170));
        lamp.setColorAt(0.6, dim);
        lamp.setColorAt(1.0, dim.darker(170));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(lamp);
    p.drawEllipse(centre, 9.5, 9.5);

    // Reflection on the glass.
    p.setBrush(QColor(255, 255, 255, lit ? 170 : 60));
    p.drawEllipse(QRectF(10.5, 9, 6, 3.6));
}

// ---- program icon frames --------------------------------------------------------------

void ModemFrame(QPainter& p, int frame) {
    // Signal arcs above the modem: one more lights up with each frame.
    const QPointF source(16, 18);
    for (int arc = 1; arc <= 3; ++arc) {
        const double r = 3.5 * arc + 1.0;
        const bool on = arc <= frame;
        p.setPen(QPen(on ? QColor(25, 130, 255) : QColor(25, 130, 255, 45), 2.2, Qt::SolidLine,
                      Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(source.x() - r, source.y() - r, 2 * r, 2 * r), 45 * 16, 90 * 16);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(25, 130, 255));
    p.drawEllipse(source, 1.6, 1.6);

    // The modem box.
    QLinearGradient body(0, 19, 0, 29);
    body.setColorAt(0, QColor(236, 232, 220));
    body.setColorAt(1, QColor(160, 156, 145));
    p.setPen(QPen(QColor(60, 60, 60), 1.0));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(2.5, 19.5, 27, 9), 2.2, 2.2);
    // Front strip with the lamps.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(45, 45, 50));
    p.drawRoundedRect(QRectF(4.5, 23, 23, 3.5), 1, 1);
    // Carrier lamp always on, send and receive blink in turn.
    const bool lamps[3] = {true, frame != 2, frame != 3};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(lamps[i] ? QColor(90, 255, 90) : QColor(20, 70, 20));
        p.drawEllipse(QPointF(7.5 + 4.0 * i, 24.75), 1.1, 1.1);
    }
    p.setBrush(QColor(255, 190, 40));
    p.drawRect(QRectF(20, 24.1, 5.5, 1.3));
}

// ---- waving flags -----------------------------------------------------------------------

QPolygonF Star(QPointF centre, double outer) {
    QPolygonF star;
    const double inner = outer * 0.4;
    for (int i = 0; i < 10; ++i) {
        const double a = -M_PI / 2 + i * M_PI / 5;
        const double r = (i % 2 == 0) ? outer : inner;
        star << QPointF(centre.x() + r * std::cos(a), centre.y() + r * std::sin(a));
    }
    return star;
}

QImage FlatFinland(int w, int h) {
    QImage flag(w, h, QImage::Format_ARGB32_Premultiplied);
    flag.fill(QColor(250, 250, 250));
    QPainter p(&flag);
    p.setRenderHint(QPainter::Antialiasing);
    // Proportions 5 + 3 + 10 across, 4 + 3 + 4 down.
    const double u = w / 18.0;
    const double v = h / 11.0;
    const QColor blue(0, 47, 108);
    p.fillRect(QRectF(5 * u, 0, 3 * u, h), blue);
    p.fillRect(QRectF(0, 4 * v, w, 3 * v), blue);
    // A faint hem keeps the white cloth apart from a light background.
    p.setPen(QPen(QColor(160, 168, 185), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
    return flag;
}

QImage FlatEurope(int w, int h) {
    QImage flag(w, h, QImage::Format_ARGB32_Premultiplied);
    flag.fill(QColor(0, 51, 153));
    QPainter p(&flag);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 204, 0));
    const QPointF centre(w / 2.0, h / 2.0);
    const double ring = h / 3.0;
    // Stars stay visible even on the smallest flag.
    const double star = std::max(h / 16.0, 0.9);
    for (int i = 0; i < 12; ++i) {
        const double a = i * M_PI / 6;
        p.drawPolygon(
            Star(QPointF(centre.x() + ring * std::sin(a), centre.y() - ring * std::cos(a)), star));
    }
    return flag;
}

// Premultiplied colour of `flag` at column x and fractional row y (transparent outside).
QRgb SampleColumn(const QImage& flag, int x, double y) {
    const int y0 = static_cast<int>(std::floor(y));
    const double f = y - y0;
    auto at = [&](int row) -> QRgb {
        return (row < 0 || row >= flag.height()) ? 0u : flag.pixel(x, row);
    };
    const QRgb a = at(y0);
    const QRgb b = at(y0 + 1);
    auto mix = [&](int ca, int cb) { return static_cast<int>(std::lround(ca * (1 - f) + cb * f)); };
    return qRgba(mix(qRed(a), qRed(b)), mix(qGreen(a), qGreen(b)), mix(qBlue(a), qBlue(b)),
                 mix(qAlpha(a), qAlpha(b)));
}

QPixmap WavingFlag(int size, int frame, const std::function<QImage(int, int)>& flat,
                   double aspect) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const double s = size;
    const int flagW = std::max(4, static_cast<int>(std::lround(s * 0.78)));
    const int flagH = std::max(3, static_cast<int>(std::lround(flagW / aspect)));
    const int left = static_cast<int>(std::lround(s * 0.17));
    const double top = s * 0.16;

    // The pole.
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient pole(s * 0.09, 0, s * 0.16, 0);
        pole.setColorAt(0, QColor(200, 200, 205));
        pole.setColorAt(0.5, QColor(250, 250, 252));
        pole.setColorAt(1, QColor(110, 110, 120));
        p.setPen(Qt::NoPen);
        p.setBrush(pole);
        p.drawRect(QRectF(s * 0.10, s * 0.10, s * 0.055, s * 0.86));
        p.setBrush(QColor(212, 175, 55));
        p.drawEllipse(QPointF(s * 0.1275, s * 0.09), s * 0.045, s * 0.045);
    }

    // The cloth: each column moves up and down on a wave that grows away from the
    // pole and is shaded by its slope; the phase moves on by a quarter per frame.
    const QImage cloth = flat(flagW, flagH);
    const double phase = frame * M_PI / 2;
    const double amplitude = s * 0.05;
    for (int c = 0; c < flagW; ++c) {
        const double t = static_cast<double>(c) / flagW;
        const double angle = 2 * M_PI * 1.25 * t - phase;
        const double dy = amplitude * (0.35 + 0.65 * t) * std::sin(angle);
        const double shade = 1.0 + 0.22 * std::cos(angle) * (0.4 + 0.6 * t);
        const int x = left + c;
        if (x >= size)
            break;
        for (int y = 0; y < size; ++y) {
            const QRgb src = SampleColumn(cloth, c, y - top - dy);
            if (qAlpha(src) == 0)
                continue;
            auto lit = [&](int v) {
                return std::clamp(static_cast<int>(v * shade), 0, qAlpha(src));
            };
            image.setPixel(x, y,
                           qRgba(lit(qRed(src)), lit(qGreen(src)), lit(qBlue(src)), qAlpha(src)));
        }
    }
    return QPixmap::fromImage(image);
}

// ---- application icons ----------------------------------------------------------------

void Coin(QPainter& p, QPointF centre, double r) {
    QRadialGradient gold(centre - QPointF(r * 0.4, r * 0.4), r * 1.6);
    gold.setColorAt(0, QColor(255, 240, 150));
    gold.setColorAt(0.5, QColor(235, 180, 40));
    gold.setColorAt(1, QColor(150, 100, 10));
    p.setPen(QPen(QColor(120, 80, 0), 0.8));
    p.setBrush(gold);
    p.drawEllipse(centre, r, r);
    p.setPen(QPen(QColor(150, 100, 10, 200), 0.7));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, r * 0.68, r * 0.68);
}

void Stopwatch(QPainter& p) {
    const QPointF centre(14.5, 17.5);
    // Crown and side button.
    p.setPen(QPen(QColor(60, 60, 70), 0.8));
    p.setBrush(QColor(170, 170, 180));
    p.drawRoundedRect(QRectF(12.5, 2.5, 4, 3), 0.8, 0.8);
    p.drawRect(QRectF(13.5, 5, 2, 2.5));
    p.save();
    p.translate(centre);
    p.rotate(45);
    p.drawRoundedRect(QRectF(-1.2, -14.2, 2.4, 3), 0.6, 0.6);
    p.restore();
    // Case.
    QLinearGradient ring(0, 6, 0, 30);
    ring.setColorAt(0, QColor(235, 235, 240));
    ring.setColorAt(1, QColor(110, 110, 125));
    p.setPen(QPen(QColor(50, 50, 60), 0.9));
    p.setBrush(ring);
    p.drawEllipse(centre, 12, 12);
    // Face.
    p.setPen(Qt::NoPen);
    QRadialGradient face(centre - QPointF(3, 3), 13);
    face.setColorAt(0, Qt::white);
    face.setColorAt(1, QColor(220, 225, 235));
    p.setBrush(face);
    p.drawEllipse(centre, 9.8, 9.8);
    p.setPen(QPen(QColor(40, 40, 50), 1.0, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 12; ++i) {
        const double a = i * M_PI / 6;
        const double r1 = (i % 3 == 0) ? 6.8 : 7.8;
        p.drawLine(QPointF(centre.x() + r1 * std::sin(a), centre.y() - r1 * std::cos(a)),
                   QPointF(centre.x() + 8.8 * std::sin(a), centre.y() - 8.8 * std::cos(a)));
    }
    // Hand.
    p.setPen(QPen(QColor(210, 30, 30), 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, QPointF(centre.x() + 6.2 * std::sin(M_PI / 3.2),
                               centre.y() - 6.2 * std::cos(M_PI / 3.2)));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(210, 30, 30));
    p.drawEllipse(centre, 1.4, 1.4);
}

void Vindelor(QPainter& p) {
    Stopwatch(p);
    Coin(p, QPointF(25, 25.5), 6);
}

void Brusko(QPainter& p) {
    // A page of the log with its lines.
    p.save();
    p.translate(15, 15);
    p.rotate(-6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawRoundedRect(QRectF(-10, -12.5, 21, 27), 1.5, 1.5);
    p.setPen(QPen(QColor(90, 90, 100), 0.8));
    p.setBrush(QColor(252, 252, 245));
    p.drawRoundedRect(QRectF(-11, -13.5, 21, 27), 1.5, 1.5);
    p.setPen(QPen(QColor(90, 140, 220), 1.0));
    for (int i = 0; i < 7; ++i) {
        const double y = -9 + i * 3.3;
        p.drawLine(QPointF(-6, y), QPointF(7.5, y));
    }
    p.setPen(QPen(QColor(220, 60, 60), 0.9));
    p.drawLine(QPointF(-7.5, -13), QPointF(-7.5, 13));
    p.restore();
    // A magnifying glass over it.
    p.setPen(QPen(QColor(90, 60, 30), 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(24, 24), QPointF(29.5, 29.5));
    QRadialGradient glass(QPointF(19, 18), 8);
    glass.setColorAt(0, QColor(255, 255, 255, 120));
    glass.setColorAt(1, QColor(160, 200, 255, 110));
    p.setPen(QPen(QColor(60, 60, 70), 1.8));
    p.setBrush(glass);
    p.drawEllipse(QPointF(20, 20), 6, 6);
}

struct Light {
    const char* name;
    QColor colour;
    bool lit;
};

const Light kLights[] = {
    {"GRON_SLACKT", QColor(40, 220, 40), false}, {"GRON_TAND", QColor(40, 220, 40), true},
    {"GUL_SLACKT", QColor(255, 210, 0), false},  {"GUL_TAND", QColor(255, 210, 0), true},
    {"ROD_SLACKT", QColor(240, 30, 20), false},  {"ROD_TAND", QColor(240, 30, 20), true},
};

// "PREFIX" followed by a single digit 1 … last: the digit, else 0.
int FrameOf(const QString& name, const QString& prefix, int last) {
    if (name.size() != prefix.size() + 1 || !name.startsWith(prefix))
        return 0;
    const int n = name.back().digitValue();
    return (n >= 1 && n <= last) ? n : 0;
}

}  // namespace

QPixmap DrawPicture(const QString& resourceName, int size) {
    if (size <= 0)
        return {};
    // Resource names are not case-sensitive.
    const QString name = resourceName.toUpper();
    for (const Light& light : kLights) {
        if (name == QLatin1String(light.name)) {
            return Drawn(size, [&](QPainter& p) { IndicatorLight(p, light.colour, light.lit); });
        }
    }
    if (int f = FrameOf(name, QStringLiteral("TRILLORA"), 3)) {
        return Drawn(size, [f](QPainter& p) { ModemFrame(p, f); });
    }
    if (int f = FrameOf(name, QStringLiteral("FINLAND"), 4)) {
        return WavingFlag(size, f - 1, FlatFinland, 18.0 / 11.0);
    }
    if (int f = FrameOf(name, QStringLiteral("EC"), 4)) {
        return WavingFlag(size, f - 1, FlatEurope, 3.0 / 2.0);
    }
    if (name == QLatin1String("VINDELOR"))
        return Drawn(size, Vindelor);
    if (name == QLatin1String("BRUSKO"))
        return Drawn(size, Brusko);
    return {};
}

QIcon LoadIconResource(const QString& resourceName) {
    static QHash<QString, QIcon> cache;
    const QString name = resourceName.toUpper();
    auto it = cache.constFind(name);
    if (it != cache.constEnd())
        return *it;
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        const QPixmap pixmap = DrawPicture(name, size);
        if (pixmap.isNull())
            return {};
        icon.addPixmap(pixmap);
    }
    cache.insert(name, icon);
    return icon;
}

QStringList PictureNames() {
    QStringList names;
    for (int i = 1; i <= 3; ++i)
        names << QStringLiteral("TRILLORA%1").arg(i);
    for (const Light& light : kLights)
        names << QLatin1String(light.name);
    for (int i = 1; i <= 4; ++i)
        names << QStringLiteral("FINLAND%1").arg(i);
    for (int i = 1; i <= 4; ++i)
        names << QStringLiteral("EC%1").arg(i);
    names << QStringLiteral("VINDELOR") << QStringLiteral("BRUSKO");
    return names;
}

}  // namespace vindelor
