// The log line splitter, the duration and cost readers and the dating on arbitrary lines.
#include "core/billing.h"
#include "core/sessionlog.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString line =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<int>(size));
    const vindelor::LogLineParts parts = vindelor::SplitLogLine(line);
    // The parts are pieces of the line, in order.
    if (parts.date.size() + parts.time.size() + parts.duration.size() + parts.cost.size() >
        line.size())
        std::abort();
    const vindelor::Hms hms = vindelor::Normalised(vindelor::ParseHms(parts.duration));
    if (hms.minutes < 0 || hms.minutes > 59 || hms.seconds < 0 || hms.seconds > 59) {
        // Negative parts cannot come from digits; anything else must be carried.
        if (hms.minutes > 59 || hms.seconds > 59)
            std::abort();
    }
    (void)vindelor::FormatHms(hms, false);
    // A cost written out as money and read back is the same amount.
    const vindelor::Money cost = vindelor::ReadCost(parts.cost);
    if (vindelor::ReadMoney(vindelor::MoneyText(cost, 4)) != cost)
        std::abort();
    // A line is dated or named as undated, never both, never neither.
    const vindelor::DatedLog log = vindelor::DateLogLines({line}, QStringLiteral("M/d/yy"));
    if (log.lines.size() + log.undated.size() != 1)
        std::abort();
    (void)vindelor::IsFailedTryLine(line);
    return 0;
}
