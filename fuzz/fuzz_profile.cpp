// The profile file parser and writer on arbitrary files: reading never fails, a write is
// read back as written, and it changes no other value.
#include "core/profile.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

const char* const kSections[] = {"Nättid", "Charge", "Session", "x", ""};
const char* const kKeys[] = {"1", "Totalt", "per_min", "Räknare", "=", ""};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    static const bool init = [] {
        qputenv("VINDELOR_DIR", dir.path().toLocal8Bit());
        return true;
    }();
    (void)init;
    const QString path = dir.filePath(QStringLiteral("fuzz.ini"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    vindelor::ClearProfileCache();

    // One parse for the many reads before and after (the cached reads take the same path).
    QStringList before;
    {
        const vindelor::ProfileSnapshot snapshot(path);
        for (const char* s : kSections)
            for (const char* k : kKeys)
                before << snapshot.GetString(QString::fromUtf8(s), QString::fromUtf8(k),
                                             QStringLiteral("#"), 256);
    }

    const QString value = QStringLiteral("v=ä]x");
    if (!vindelor::WriteProfileString(QStringLiteral("Charge"), QStringLiteral("per_min"), value,
                                      path))
        return 0;
    if (vindelor::GetProfileString(QStringLiteral("charge"), QStringLiteral("PER_MIN"),
                                   QStringLiteral("#"), 256, path) != value)
        std::abort();

    const vindelor::ProfileSnapshot after(path);
    int i = 0;
    for (const char* s : kSections) {
        for (const char* k : kKeys) {
            const QString section = QString::fromUtf8(s);
            const QString key = QString::fromUtf8(k);
            const QString now = after.GetString(section, key, QStringLiteral("#"), 256);
            const bool written =
                section.compare(QLatin1String("Charge"), Qt::CaseInsensitive) == 0 &&
                key.compare(QLatin1String("per_min"), Qt::CaseInsensitive) == 0;
            if (!written && now != before[i])
                std::abort();
            ++i;
        }
    }
    return 0;
}
