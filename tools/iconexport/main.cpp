// iconexport: draws the application icons with the programs' own artwork code and writes
// them in the layout of the hicolor icon theme, so the desktop's menu shows the same
// pictures as the running programs.
//
//   iconexport OUTDIR SIZE...
//
// writes OUTDIR/<size>x<size>/apps/vindelor.png and brusko.png for every SIZE. Run it with
// QT_QPA_PLATFORM=offscreen where no display exists.
#include "components/artwork.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QSaveFile>
#include <QString>

#include <cstdio>
#include <vector>

namespace {

struct AppIcon {
    const char* picture;
    const char* file;
};

constexpr AppIcon kIcons[] = {{"VINDELOR", "vindelor.png"}, {"BRUSKO", "brusko.png"}};

// The theme's sizes run from 16 to 512; anything outside is a typing error.
constexpr int kMinSize = 8;
constexpr int kMaxSize = 1024;

void Usage(std::FILE* out) {
    std::fputs(
        "Usage: iconexport OUTDIR SIZE...\n"
        "Writes OUTDIR/<size>x<size>/apps/vindelor.png and brusko.png for every SIZE.\n",
        out);
}

bool ParseSize(const char* text, int* size) {
    bool ok = false;
    const int value = QString::fromLocal8Bit(text).toInt(&ok, 10);
    if (!ok || value < kMinSize || value > kMaxSize) {
        return false;
    }
    *size = value;
    return true;
}

// Written through a temporary file, so a build stopped half-way never leaves a truncated
// PNG that a later, up-to-date looking build would install.
bool WriteIcon(const QString& path, const QImage& image) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    if (!image.save(&file, "PNG")) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (qstrcmp(argv[1], "--help") == 0 || qstrcmp(argv[1], "-h") == 0)) {
        Usage(stdout);
        return 0;
    }
    if (argc < 3) {
        Usage(stderr);
        return 2;
    }
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i) {
        int size = 0;
        if (!ParseSize(argv[i], &size)) {
            std::fprintf(stderr, "iconexport: not an icon size (%d to %d): %s\n", kMinSize,
                         kMaxSize, argv[i]);
            return 2;
        }
        sizes.push_back(size);
    }

    QGuiApplication app(argc, argv);
    const QString outDir = QString::fromLocal8Bit(argv[1]);

    for (const int size : sizes) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(outDir).arg(size);
        if (!QDir().mkpath(dir)) {
            std::fprintf(stderr, "iconexport: cannot create %s\n", qPrintable(dir));
            return 1;
        }
        for (const AppIcon& icon : kIcons) {
            const QPixmap pixmap = vindelor::DrawPicture(QLatin1String(icon.picture), size);
            if (pixmap.isNull()) {
                std::fprintf(stderr, "iconexport: no picture %s\n", icon.picture);
                return 1;
            }
            // The theme expects exactly the size its folder names, whatever the device
            // pixel ratio of the platform that drew it.
            QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
            if (image.width() != size || image.height() != size) {
                image = image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            }
            const QString path = dir + QLatin1Char('/') + QLatin1String(icon.file);
            if (!WriteIcon(path, image)) {
                std::fprintf(stderr, "iconexport: cannot write %s\n", qPrintable(path));
                return 1;
            }
        }
    }
    return 0;
}
