// The log line splitter and the duration and cost readers on arbitrary lines.
#include "shared/sessionlog.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString line = QString::fromUtf8(reinterpret_cast<const char*>(data),
                                           static_cast<int>(size));
    const vindelor::LogLineParts parts = vindelor::SplitLogLine(line);
    // The parts are pieces of the line, in order.
    if (parts.date.size() + parts.time.size() + parts.duration.size() + parts.cost.size() >
        line.size())
        std::abort();
    const vindelor::Hms hms = vindelor::Normalised(vindelor::ParseHms(parts.duration));
    if (hms.minutes < 0 || hms.minutes > 59 || hms.seconds < 0 || hms.seconds > 59) {
        // Negative parts cannot come from digits; anything else must be carried.
        if (hms.minutes > 59 || hms.seconds > 59) std::abort();
    }
    (void)vindelor::FormatHms(hms, false);
    (void)vindelor::ReadCost(parts.cost);
    (void)vindelor::IsFailedTryLine(line);
    return 0;
}
