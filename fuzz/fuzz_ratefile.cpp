// The rate data file loader and the class look-up on arbitrary files.
#include "core/ratetable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Vindelor.dta"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    vindelor::TRateWeek week;
    const bool loaded = vindelor::LoadRateDataFile(week, path);
    if (loaded != (size >= static_cast<std::size_t>(vindelor::kRateDataSize)))
        std::abort();
    for (int day = 1; day <= 7; ++day) {
        for (int hour = 0; hour < 24; ++hour) {
            for (int minute : {0, 15, 16, 30, 31, 45, 46, 59}) {
                const int k = vindelor::ClassInForce(week, day, hour, minute, day == 3);
                if (k < 0 || k > 255)
                    std::abort();
            }
        }
    }
    for (int k = 1; k <= 4; ++k)
        (void)vindelor::RateClassUsed(week, k);
    return 0;
}
