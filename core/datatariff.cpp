#include "core/datatariff.h"

#include "core/billingsettings.h"
#include "core/money.h"
#include "core/profile.h"
#include "core/texts.h"
#include "platform/net/links.h"

#include <algorithm>

namespace vindelor {
namespace {

const QString kPerMB = QStringLiteral("PerMB");
const QString kIncluded = QStringLiteral("Included");
const QString kDayFee = QStringLiteral("DayFee");
const QString kInterface = QStringLiteral("Interface");
const QString kDataWarn = QStringLiteral("DataWarn");
const QString kDataHangUpAt = QStringLiteral("DataHangUpAt");
const QString kUnit = QStringLiteral("Unit");
const QString kMetered = QStringLiteral("Metered");
constexpr int kLongValue = 1024;

QString Read(const QString& section, const QString& key, const QString& def) {
    return GetProfileString(section, key, def, kLongValue, kSettingsFile);
}

// Prices and volumes are typed no finer than they are charged.
bool ReadScaled(const QString& text, int decimals, std::uint64_t limit, std::uint64_t* out) {
    return ReadSettingAmount(text, decimals, limit, ExtraDecimals::Reject, out);
}

constexpr std::uint64_t kMoneyLimit = 100000000ULL * 10000;            // 100 million
constexpr std::uint64_t kIncludedLimit = 1000000000ULL * kBytesPerMB;  // a million TB
constexpr std::uint64_t kUnitLimitKB = 1000000;                        // a GB a unit

QString IncludedText(std::uint64_t bytes) {
    if (bytes == 0) {
        return {};
    }
    QString text = QStringLiteral("%1.%2")
                       .arg(bytes / kBytesPerMB)
                       .arg(bytes % kBytesPerMB, 6, 10, QLatin1Char('0'));
    while (text.endsWith(QLatin1Char('0'))) {
        text.chop(1);
    }
    if (text.endsWith(QLatin1Char('.'))) {
        text.chop(1);
    }
    return text;
}

}  // namespace

DataEntryError CheckDataEntries(const DataEntries& in, DataTariff* out, QString* bad) {
    DataTariff t;
    std::uint64_t value = 0;
    if (!ReadScaled(in.perMB, 4, kMoneyLimit, &value)) {
        return DataEntryError::PerMB;
    }
    t.perMB = static_cast<std::int64_t>(value);
    if (!ReadScaled(in.included, 6, kIncludedLimit, &t.includedBytes)) {
        return DataEntryError::Included;
    }
    if (!ReadScaled(in.dayFee, 4, kMoneyLimit, &value)) {
        return DataEntryError::DayFee;
    }
    t.dayFee = static_cast<std::int64_t>(value);
    t.interfaceName = in.interfaceName.trimmed();
    if (!t.interfaceName.isEmpty() && !platform::PossibleInterfaceName(t.interfaceName)) {
        return DataEntryError::Interface;
    }
    if (!ReadPercentages(in.warn, &t.warn, bad)) {
        return DataEntryError::Warn;
    }
    if (!t.warn.empty() && t.includedBytes == 0) {
        if (bad) {
            bad->clear();
        }
        return DataEntryError::Warn;
    }
    t.hangUpAt = in.hangUpAt;
    if (t.hangUpAt && t.includedBytes == 0) {
        return DataEntryError::HangUpAt;
    }
    if (!ReadUnitEntry(in.unit, &t.unitBytes)) {
        return DataEntryError::Unit;
    }
    t.metered = in.metered;
    *out = std::move(t);
    return DataEntryError::None;
}

DataEntries ReadDataEntries() {
    DataEntries e;
    e.perMB = Read(kDataSection, kPerMB, QString());
    e.included = Read(kDataSection, kIncluded, QString());
    e.dayFee = Read(kDataSection, kDayFee, QString());
    e.interfaceName = Read(kDataSection, kInterface, QString());
    e.warn = Read(kBillingSection, kDataWarn, QString());
    e.hangUpAt = Read(kBillingSection, kDataHangUpAt, QStringLiteral("Nej")) == QLatin1String("Ja");
    e.unit = Read(kDataSection, kUnit, QString());
    const QString metered = Read(kDataSection, kMetered, QString()).trimmed();
    if (metered == QLatin1String("Ja")) {
        e.metered = MeteredMark::Always;
    } else if (metered == QLatin1String("Varna")) {
        e.metered = MeteredMark::FromWarning;
    }
    return e;
}

DataTariff ReadDataTariff() {
    const DataEntries e = ReadDataEntries();
    DataTariff t;
    std::uint64_t value = 0;
    if (ReadScaled(e.perMB, 4, kMoneyLimit, &value)) {
        t.perMB = static_cast<std::int64_t>(value);
    }
    ReadScaled(e.included, 6, kIncludedLimit, &t.includedBytes);
    if (ReadScaled(e.dayFee, 4, kMoneyLimit, &value)) {
        t.dayFee = static_cast<std::int64_t>(value);
    }
    if (platform::PossibleInterfaceName(e.interfaceName.trimmed())) {
        t.interfaceName = e.interfaceName.trimmed();
    }
    ReadPercentages(e.warn, &t.warn, nullptr);
    t.hangUpAt = e.hangUpAt && t.includedBytes > 0;
    ReadUnitEntry(e.unit, &t.unitBytes);
    t.metered = e.metered;
    return t;
}

bool WriteDataTariff(const DataTariff& t, int* error) {
    const struct {
        const QString& section;
        const QString& key;
        QString value;
    } values[] = {
        {kDataSection, kPerMB, t.perMB > 0 ? TenThousandthsText(t.perMB) : QString()},
        {kDataSection, kIncluded, IncludedText(t.includedBytes)},
        {kDataSection, kDayFee, t.dayFee > 0 ? TenThousandthsText(t.dayFee) : QString()},
        {kDataSection, kInterface, t.interfaceName},
        {kBillingSection, kDataWarn, PercentText(t.warn)},
        {kBillingSection, kDataHangUpAt, t.hangUpAt ? QStringLiteral("Ja") : QStringLiteral("Nej")},
        {kDataSection, kUnit, UnitEntryText(t.unitBytes)},
    };
    for (const auto& v : values) {
        if (!WriteProfileString(v.section, v.key, v.value, kSettingsFile, error)) {
            return false;
        }
    }
    // Written only when it changes: a file without the key keeps being one.
    if (t.metered == ReadDataEntries().metered) {
        return true;
    }
    const QString metered = t.metered == MeteredMark::Always        ? QStringLiteral("Ja")
                            : t.metered == MeteredMark::FromWarning ? QStringLiteral("Varna")
                                                                    : QStringLiteral("Nej");
    return WriteProfileString(kDataSection, kMetered, metered, kSettingsFile, error);
}

QString IncludedMBText(std::uint64_t bytes, int languageOffset) {
    QString text = bytes == 0 ? QStringLiteral("0") : IncludedText(bytes);
    if (languageOffset != kEnglishOffset) {
        text.replace(QLatin1Char('.'), QLatin1Char(','));
    }
    return text + QLatin1Char(' ') + LoadText(kOwnTextBase + kTextMegabytes + languageOffset);
}

bool ReadMoneyEntry(const QString& text, std::int64_t* tenThousandths) {
    std::uint64_t value = 0;
    if (!ReadScaled(text, 4, kMoneyLimit, &value)) {
        return false;
    }
    *tenThousandths = static_cast<std::int64_t>(value);
    return true;
}

bool ReadMegabyteEntry(const QString& text, std::uint64_t* bytes) {
    return ReadScaled(text, 6, kIncludedLimit, bytes);
}

QString MegabyteEntryText(std::uint64_t bytes) {
    return IncludedText(bytes);
}

bool ReadUnitEntry(const QString& text, std::uint64_t* unitBytes) {
    std::uint64_t kB = 0;
    if (!ReadScaled(text, 0, kUnitLimitKB, &kB)) {
        return false;
    }
    *unitBytes = kB * 1000;
    return true;
}

QString UnitEntryText(std::uint64_t unitBytes) {
    return unitBytes == 0 ? QString() : QString::number(unitBytes / 1000);
}

std::uint64_t BilledBytes(std::uint64_t bytes, std::uint64_t unitBytes) {
    if (unitBytes == 0 || bytes % unitBytes == 0) {
        return bytes;
    }
    const std::uint64_t up = (bytes / unitBytes + 1) * unitBytes;
    return up < bytes ? bytes : up;  // no unit rounds past the top of the range
}

std::int64_t DataCharge(const DataTariff& tariff, std::uint64_t usedBefore,
                        std::uint64_t sessionBytes, int newDataDays) {
    sessionBytes = BilledBytes(sessionBytes, tariff.unitBytes);
    const auto beyond = [&tariff](std::uint64_t used) {
        return used > tariff.includedBytes ? used - tariff.includedBytes : 0;
    };
    const std::uint64_t charged = beyond(AddBytes(usedBefore, sessionBytes)) - beyond(usedBefore);
    // The money's own rounding: a price per MB times bytes, in 128 bits, halves up.
    const Money volume =
        Scaled(Money::FromUnits(tariff.perMB),
               static_cast<std::int64_t>(std::min<std::uint64_t>(charged, INT64_MAX)), kBytesPerMB);
    return volume.Units() + tariff.dayFee * std::max(newDataDays, 0);
}

LoggedData LoggedDataOfLog(const DatedLog& log, const BillingMonth& month, bool roamingApart) {
    LoggedData data;
    for (const DatedLogLine& line : log.lines) {
        if (!line.volume.known || line.volume.Total() == 0) {
            continue;
        }
        if (month.Contains(line.date)) {
            data.bytes =
                AddBytes(data.bytes, roamingApart ? line.volume.HomeTotal() : line.volume.Total());
        }
        // The days it ran on, from its start for as long as it lasted.
        const QTime start = line.start.isValid() ? line.start : QTime(0, 0);
        const QDate last =
            line.date.addDays((start.msecsSinceStartOfDay() / 1000 + line.seconds) / 86400);
        for (QDate day = line.date; day <= last; day = day.addDays(1)) {
            data.paidDays.insert(day);
        }
    }
    return data;
}

std::vector<int> DataWarningsReached(std::uint64_t used, const DataTariff& tariff,
                                     const std::vector<int>& given) {
    return MarksReached(used, tariff.includedBytes, tariff.warn, given);
}

QString TenThousandthsText(std::int64_t amount) {
    QString text = MoneyText(Money::FromUnits(amount), 4);
    for (int i = 0; i < 2 && text.endsWith(QLatin1Char('0')); ++i) {
        text.chop(1);
    }
    return text;
}

}  // namespace vindelor
