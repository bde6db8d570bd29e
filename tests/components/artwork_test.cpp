#include "components/artwork.h"

#include <QImage>

#include <gtest/gtest.h>

namespace vindelor {
namespace {

QImage Image(const QString& name, int size = 32) {
    return DrawPicture(name, size).toImage().convertToFormat(QImage::Format_ARGB32);
}

int OpaquePixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += qAlpha(image.pixel(x, y)) > 200;
        }
    }
    return n;
}

TEST(ArtworkTest, EveryPictureIsDrawnAtTheAskedSize) {
    const QStringList names = PictureNames();
    EXPECT_EQ(names.size(), 3 + 6 + 4 + 4 + 2);
    for (const QString& name : names) {
        for (int size : {16, 32, 48}) {
            const QImage image = Image(name, size);
            ASSERT_FALSE(image.isNull()) << name.toStdString();
            EXPECT_EQ(image.size(), QSize(size, size)) << name.toStdString();
            // Something is drawn, and it does not fill the whole square.
            const int opaque = OpaquePixels(image);
            EXPECT_GT(opaque, size * size / 8) << name.toStdString() << " " << size;
            EXPECT_LT(opaque, size * size) << name.toStdString() << " " << size;
        }
    }
}

TEST(ArtworkTest, UnknownNamesGiveNothing) {
    for (const char* name : {"", "TRILLORA0", "TRILLORA4", "FINLAND5", "EC0", "EC12", "GRON",
                             "BLA_TAND", "VINDELOR2"}) {
        EXPECT_TRUE(DrawPicture(QString::fromLatin1(name)).isNull()) << name;
        EXPECT_TRUE(LoadIconResource(QString::fromLatin1(name)).isNull()) << name;
    }
    EXPECT_TRUE(DrawPicture(QStringLiteral("VINDELOR"), 0).isNull());
}

TEST(ArtworkTest, NamesAreNotCaseSensitive) {
    EXPECT_EQ(Image(QStringLiteral("gron_tand")), Image(QStringLiteral("GRON_TAND")));
    EXPECT_EQ(LoadIconResource(QStringLiteral("Trillora2")).cacheKey(),
              LoadIconResource(QStringLiteral("TRILLORA2")).cacheKey());
}

TEST(ArtworkTest, AnimationFramesDifferFromEachOther) {
    const std::pair<const char*, int> sets[] = {{"TRILLORA", 3}, {"FINLAND", 4}, {"EC", 4}};
    for (const auto& [prefix, count] : sets) {
        for (int a = 1; a <= count; ++a) {
            for (int b = a + 1; b <= count; ++b) {
                EXPECT_NE(Image(QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(a)),
                          Image(QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(b)))
                    << prefix << a << " vs " << prefix << b;
            }
        }
    }
}

TEST(ArtworkTest, LightsShowTheirColourBrightWhenLit) {
    struct Case {
        const char* unlit;
        const char* lit;
        int dominant;  // 0 red, 1 green, 2 both (yellow)
    };
    for (const Case& c : {Case{"GRON_SLACKT", "GRON_TAND", 1}, Case{"GUL_SLACKT", "GUL_TAND", 2},
                          Case{"ROD_SLACKT", "ROD_TAND", 0}}) {
        // Just below the reflection, inside the lamp.
        const QColor on = Image(QLatin1String(c.lit)).pixelColor(18, 19);
        const QColor off = Image(QLatin1String(c.unlit)).pixelColor(18, 19);
        EXPECT_GT(on.value(), off.value() + 80) << c.lit;
        EXPECT_GT(on.saturation(), 120) << c.lit;
        for (const QColor& colour : {on, off}) {
            const int r = colour.red(), g = colour.green(), b = colour.blue();
            switch (c.dominant) {
                case 0:
                    EXPECT_GT(r, 2 * std::max(g, b)) << c.lit;
                    break;
                case 1:
                    EXPECT_GT(g, 2 * std::max(r, b)) << c.lit;
                    break;
                default:
                    EXPECT_GT(std::min(r, g), 2 * b) << c.lit;
                    EXPECT_LT(std::abs(r - g), std::max(r, g) / 3) << c.lit;
            }
        }
    }
}

TEST(ArtworkTest, IconsAreSharedPerNameAndCarrySeveralSizes) {
    const QIcon a = LoadIconResource(QStringLiteral("ROD_TAND"));
    const QIcon b = LoadIconResource(QStringLiteral("ROD_TAND"));
    const QIcon other = LoadIconResource(QStringLiteral("ROD_SLACKT"));
    ASSERT_FALSE(a.isNull());
    EXPECT_EQ(a.cacheKey(), b.cacheKey());
    EXPECT_NE(a.cacheKey(), other.cacheKey());
    const QList<QSize> sizes = a.availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
    EXPECT_EQ(a.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32),
              Image(QStringLiteral("ROD_TAND")));
}

}  // namespace
}  // namespace vindelor
