#include "core/billingsettings.h"

#include "core/money.h"
#include "core/numbers.h"
#include "core/profile.h"
#include "platform/cp1252.h"

#include <algorithm>

namespace vindelor {
namespace {

const QString kStartDay = QStringLiteral("StartDay");
const QString kBudget = QStringLiteral("Budget");
const QString kWarn = QStringLiteral("Warn");
const QString kNextMinute = QStringLiteral("NextMinute");
const QString kHangUpAt = QStringLiteral("HangUpAt");
const QString kHangUp = QStringLiteral("HangUp");
const QString kHolidays = QStringLiteral("Holidays");
const QString kDates = QStringLiteral("Dates");
constexpr int kLongValue = 1024;

QString Read(const QString& key, const QString& def) {
    return GetProfileString(kBillingSection, key, def, kLongValue, kSettingsFile);
}

bool WholeNumber(const QString& text, int low, int high, int* out) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < low || value > high) {
        return false;
    }
    *out = value;
    return true;
}

// Blank or "0" is no budget. Read to the log's four decimals, the finer ones rounded in:
// the guard compares it with the month's cost at that scale.
bool ReadBudget(const QString& text, double* out) {
    constexpr std::uint64_t kBudgetLimit = 1000000000000ULL * Money::kUnitsPerWhole;
    std::uint64_t units = 0;
    if (!ReadSettingAmount(text, 4, kBudgetLimit, ExtraDecimals::Round, &units)) {
        return false;
    }
    *out = Money::FromUnits(static_cast<std::int64_t>(units)).Value();
    return true;
}

}  // namespace

std::vector<int> MarksReached(__int128 used, __int128 whole, const std::vector<int>& marks,
                              const std::vector<int>& given) {
    std::vector<int> due;
    if (whole <= 0) {
        return due;
    }
    for (const int percent : marks) {
        if (used * 100 >= whole * percent &&
            std::find(given.begin(), given.end(), percent) == given.end()) {
            due.push_back(percent);
        }
    }
    std::sort(due.begin(), due.end());
    return due;
}

bool ReadPercentages(const QString& text, std::vector<int>* out, QString* bad) {
    std::vector<int> values;
    for (const QString& part : text.split(QLatin1Char(','))) {
        if (part.trimmed().isEmpty()) {
            continue;
        }
        int value = 0;
        if (!WholeNumber(part, 1, kMaxWarnPercent, &value)) {
            if (bad) {
                *bad = part.trimmed();
            }
            return false;
        }
        values.push_back(value);
    }
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    *out = std::move(values);
    return true;
}

QString PercentText(const std::vector<int>& values) {
    QStringList parts;
    for (int v : values) {
        parts << QString::number(v);
    }
    return parts.join(QLatin1Char(','));
}

BillingEntryError CheckBillingEntries(const BillingEntries& in, BillingSettings* out,
                                      QString* bad) {
    BillingSettings s;
    if (!WholeNumber(in.startDay, kFirstStartDay, kLastStartDay, &s.startDay)) {
        return BillingEntryError::StartDay;
    }
    if (!ReadBudget(in.budget, &s.budget)) {
        return BillingEntryError::Budget;
    }
    if (!ReadPercentages(in.warn, &s.warn, bad)) {
        return BillingEntryError::Warn;
    }
    const QString nextMinute = in.nextMinute.trimmed();
    if (!nextMinute.isEmpty() &&
        !WholeNumber(nextMinute, 0, kMaxNextMinuteSeconds, &s.nextMinute)) {
        return BillingEntryError::NextMinute;
    }
    s.hangUpAt = in.hangUpAt;
    s.hangUp = in.hangUp.trimmed();
    QStringList words;
    if (!SplitShellWords(s.hangUp, &words)) {
        return BillingEntryError::HangUp;
    }
    // Stored, a "?" would stand in its place and run another command than the one typed.
    if (!cp1252::CanEncode(s.hangUp)) {
        if (bad != nullptr) {
            bad->clear();
            for (const char32_t c : s.hangUp.toUcs4()) {
                const QString one = QString::fromUcs4(&c, 1);
                if (!cp1252::CanEncode(one) && !bad->contains(one)) {
                    bad->append(one);
                }
            }
        }
        return BillingEntryError::HangUpCharacters;
    }
    s.holidays = HolidayCalendarFromText(in.holidays);
    if (s.holidays == HolidayCalendar::None && !in.holidays.trimmed().isEmpty()) {
        return BillingEntryError::Holidays;
    }
    if (!ParseOwnHolidays(in.dates, &s.dates, bad)) {
        return BillingEntryError::Dates;
    }
    *out = std::move(s);
    return BillingEntryError::None;
}

BillingEntries ReadBillingEntries() {
    BillingEntries e;
    e.startDay = Read(kStartDay, QStringLiteral("1"));
    e.budget = Read(kBudget, QString());
    e.warn = Read(kWarn, QStringLiteral("80,90,100"));
    e.nextMinute = Read(kNextMinute, QStringLiteral("0"));
    e.hangUpAt = Read(kHangUpAt, QStringLiteral("Nej")) == QLatin1String("Ja");
    e.hangUp = Read(kHangUp, QString());
    e.holidays = Read(kHolidays, QString());
    e.dates = Read(kDates, QString());
    return e;
}

BillingSettings ReadBillingSettings() {
    const BillingEntries e = ReadBillingEntries();
    BillingSettings s;
    s.startDay = StartDayFromText(e.startDay);
    ReadBudget(e.budget, &s.budget);
    ReadPercentages(e.warn, &s.warn, nullptr);
    WholeNumber(e.nextMinute, 0, kMaxNextMinuteSeconds, &s.nextMinute);
    s.hangUpAt = e.hangUpAt;
    s.hangUp = e.hangUp;
    s.holidays = HolidayCalendarFromText(e.holidays);
    // One bad date must not take the good ones with it.
    for (const QString& part : e.dates.split(QLatin1Char(','))) {
        std::vector<OwnHoliday> one;
        if (ParseOwnHolidays(part, &one)) {
            s.dates.insert(s.dates.end(), one.begin(), one.end());
        }
    }
    return s;
}

bool WriteBillingSettings(const BillingSettings& s, int* error) {
    QStringList dates;
    for (const OwnHoliday& h : s.dates) {
        const QString md = QStringLiteral("%1-%2")
                               .arg(h.month, 2, 10, QLatin1Char('0'))
                               .arg(h.day, 2, 10, QLatin1Char('0'));
        dates << (h.year == 0 ? md
                              : QStringLiteral("%1-").arg(h.year, 4, 10, QLatin1Char('0')) + md);
    }
    const std::pair<QString, QString> values[] = {
        {kStartDay, QString::number(s.startDay)},
        {kBudget, s.HasBudget() ? MoneyText(Money::FromDouble(s.budget), 2) : QString()},
        {kWarn, PercentText(s.warn)},
        {kNextMinute, QString::number(s.nextMinute)},
        {kHangUpAt, s.hangUpAt ? QStringLiteral("Ja") : QStringLiteral("Nej")},
        {kHangUp, s.hangUp},
        {kHolidays, HolidayCalendarText(s.holidays)},
        {kDates, dates.join(QLatin1Char(','))},
    };
    for (const auto& [key, value] : values) {
        // After a failed write the next ones would most likely fail alike; the first
        // failure's reason is the one to tell.
        if (!WriteProfileString(kBillingSection, key, value, kSettingsFile, error))
            return false;
    }
    return true;
}

std::vector<int> ReadGivenMarks(const QString& key, const BillingMonth& month) {
    const QString stored = Read(key, QString());
    const QString prefix = month.first.toString(Qt::ISODate) + QLatin1Char(':');
    std::vector<int> given;
    if (stored.startsWith(prefix)) {
        ReadPercentages(stored.mid(prefix.size()), &given, nullptr);
    }
    return given;
}

bool WriteGivenMarks(const QString& key, const BillingMonth& month, const std::vector<int>& given) {
    return WriteProfileString(
        kBillingSection, key,
        month.first.toString(Qt::ISODate) + QLatin1Char(':') + PercentText(given), kSettingsFile);
}

bool SplitShellWords(const QString& text, QStringList* words) {
    QStringList out;
    QString word;
    bool inWord = false;
    enum { Plain, Single, Double } state = Plain;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (state == Single) {
            if (c == QLatin1Char('\'')) {
                state = Plain;
            } else {
                word += c;
            }
            continue;
        }
        if (state == Double) {
            if (c == QLatin1Char('"')) {
                state = Plain;
            } else if (c == QLatin1Char('\\') && i + 1 < text.size() &&
                       QStringLiteral("\"\\$`").contains(text[i + 1])) {
                word += text[++i];
            } else {
                word += c;
            }
            continue;
        }
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            if (inWord) {
                out << word;
                word.clear();
                inWord = false;
            }
            continue;
        }
        inWord = true;
        if (c == QLatin1Char('\'')) {
            state = Single;
        } else if (c == QLatin1Char('"')) {
            state = Double;
        } else if (c == QLatin1Char('\\')) {
            if (i + 1 >= text.size()) {
                return false;
            }
            word += text[++i];
        } else {
            word += c;
        }
    }
    if (state != Plain) {
        return false;
    }
    if (inWord) {
        out << word;
    }
    *words = out;
    return true;
}

}  // namespace vindelor
