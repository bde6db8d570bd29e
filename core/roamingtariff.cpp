#include "core/roamingtariff.h"

#include "core/billingsettings.h"
#include "core/money.h"
#include "core/profile.h"

#include <algorithm>

namespace vindelor {
namespace {

const QString kPerMB = QStringLiteral("PerMB");
const QString kPerMin = QStringLiteral("PerMin");
const QString kIncluded = QStringLiteral("Included");
const QString kUnit = QStringLiteral("Unit");
const QString kHangUpAt = QStringLiteral("HangUpAt");
const QString kWarn = QStringLiteral("Warn");
constexpr int kLongValue = 1024;

QString Read(const QString& key) {
    return GetProfileString(kRoamingSection, key, QString(), kLongValue, kSettingsFile);
}

}  // namespace

RoamingEntryError CheckRoamingEntries(const RoamingEntries& in, RoamingTariff* out, QString* bad) {
    RoamingTariff t;
    if (!ReadMoneyEntry(in.perMB, &t.perMB)) {
        return RoamingEntryError::PerMB;
    }
    if (!ReadMoneyEntry(in.perMinute, &t.perMinute)) {
        return RoamingEntryError::PerMin;
    }
    if (!ReadMegabyteEntry(in.included, &t.includedBytes)) {
        return RoamingEntryError::Included;
    }
    if (!ReadUnitEntry(in.unit, &t.unitBytes)) {
        return RoamingEntryError::Unit;
    }
    if (!ReadMegabyteEntry(in.hangUpAt, &t.hangUpAtBytes)) {
        return RoamingEntryError::HangUpAt;
    }
    if (!ReadPercentages(in.warn, &t.warn, bad)) {
        return RoamingEntryError::Warn;
    }
    if (!t.warn.empty() && t.hangUpAtBytes == 0) {
        if (bad) {
            bad->clear();
        }
        return RoamingEntryError::Warn;
    }
    *out = std::move(t);
    return RoamingEntryError::None;
}

RoamingEntries ReadRoamingEntries() {
    return {Read(kPerMB),    Read(kIncluded), Read(kUnit),
            Read(kHangUpAt), Read(kWarn),     Read(kPerMin)};
}

RoamingTariff ReadRoamingTariff() {
    const RoamingEntries e = ReadRoamingEntries();
    RoamingTariff t;
    ReadMoneyEntry(e.perMB, &t.perMB);
    ReadMoneyEntry(e.perMinute, &t.perMinute);
    ReadMegabyteEntry(e.included, &t.includedBytes);
    ReadUnitEntry(e.unit, &t.unitBytes);
    ReadMegabyteEntry(e.hangUpAt, &t.hangUpAtBytes);
    if (t.hangUpAtBytes > 0) {
        ReadPercentages(e.warn, &t.warn, nullptr);
    }
    return t;
}

bool WriteRoamingTariff(const RoamingTariff& t, int* error) {
    const std::pair<const QString&, QString> values[] = {
        {kPerMB, t.perMB > 0 ? TenThousandthsText(t.perMB) : QString()},
        {kIncluded, MegabyteEntryText(t.includedBytes)},
        {kUnit, UnitEntryText(t.unitBytes)},
        {kHangUpAt, MegabyteEntryText(t.hangUpAtBytes)},
        {kWarn, PercentText(t.warn)},
        {kPerMin, t.perMinute > 0 ? TenThousandthsText(t.perMinute) : QString()},
    };
    for (const auto& v : values) {
        if (!WriteProfileString(kRoamingSection, v.first, v.second, kSettingsFile, error)) {
            return false;
        }
    }
    return true;
}

std::int64_t RoamingCharge(const RoamingTariff& roaming, const DataTariff& home,
                           std::uint64_t usedBefore, std::uint64_t sessionBytes) {
    const std::uint64_t billed = BilledBytes(sessionBytes, roaming.unitBytes);
    const std::uint64_t stillIncluded =
        roaming.includedBytes > usedBefore ? roaming.includedBytes - usedBefore : 0;
    const std::uint64_t atHome = std::min(billed, stillIncluded);
    // Each part is the money's own rounding of its bytes, as DataCharge rounds a session.
    DataTariff abroad;
    abroad.perMB = roaming.perMB;
    DataTariff homePrice;
    homePrice.perMB = home.perMB;
    return DataCharge(abroad, 0, billed - atHome, 0) + DataCharge(homePrice, 0, atHome, 0);
}

std::uint64_t LoggedRoamingBytes(const DatedLog& log, const BillingMonth& month) {
    std::uint64_t bytes = 0;
    for (const DatedLogLine& line : log.lines) {
        if (line.volume.known && month.Contains(line.date)) {
            bytes = AddBytes(bytes, line.volume.RoamingTotal());
        }
    }
    return bytes;
}

std::vector<int> RoamingWarningsReached(std::uint64_t used, const RoamingTariff& tariff,
                                        const std::vector<int>& given) {
    return MarksReached(used, tariff.hangUpAtBytes, tariff.warn, given);
}

}  // namespace vindelor
