// Section [Billing] of Vindelor.ini: the budget guard's settings. Every key is neutral
// when missing, so a settings file of an earlier version behaves as before. Read
// leniently (a hand-edited value that does not read gives the neutral default); the
// settings page checks entries strictly before anything is stored.
#pragma once

#include "core/billing.h"
#include "core/holidays.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace vindelor {

inline const QString kBillingSection = QStringLiteral("Billing");

constexpr int kMaxWarnPercent = 999;

// A list of percentages "80,100" (1 … kMaxWarnPercent, blanks between commas allowed),
// sorted without repeats; false with *bad the offending part. Also the lists of warnings
// given in a month.
bool ReadPercentages(const QString& text, std::vector<int>* out, QString* bad);
QString PercentText(const std::vector<int>& values);
// The marks (percentages) that `used` has reached of `whole`, exactly, and that were not
// given yet, ascending. None when `whole` is not above 0.
std::vector<int> MarksReached(__int128 used, __int128 whole, const std::vector<int>& marks,
                              const std::vector<int>& given);
constexpr int kMaxNextMinuteSeconds = 59;  // a minute's warning would come with its charge

struct BillingSettings {
    int startDay = kFirstStartDay;
    double budget = 0.0;  // 0: no budget
    std::vector<int> warn = {80, 90, 100};
    int nextMinute = 0;  // seconds before the next minute's charge; 0: off
    bool hangUpAt = false;
    QString hangUp;  // the user's command, as typed
    HolidayCalendar holidays = HolidayCalendar::None;
    std::vector<OwnHoliday> dates;

    bool HasBudget() const { return budget > 0.0; }
};

// The keys' texts as the page shows and takes them.
struct BillingEntries {
    QString startDay;
    QString budget;
    QString warn;
    QString nextMinute;
    bool hangUpAt = false;
    QString hangUp;
    QString holidays;
    QString dates;
};

// HangUpCharacters: the command has characters Vindelor.ini (Windows-1252) cannot hold.
enum class BillingEntryError {
    None,
    StartDay,
    Budget,
    Warn,
    NextMinute,
    HangUp,
    HangUpCharacters,
    Holidays,
    Dates
};

// Checks every entry; the first bad one is returned (with the offending part in *bad
// where one part of a list is at fault) and *out is left untouched.
BillingEntryError CheckBillingEntries(const BillingEntries& in, BillingSettings* out,
                                      QString* bad = nullptr);

// The stored texts, defaults for missing keys.
BillingEntries ReadBillingEntries();
BillingSettings ReadBillingSettings();
// Writes every key in the texts the readers take back. False when a write failed.
// *error, when given, receives the failed write's own error number.
bool WriteBillingSettings(const BillingSettings& settings, int* error = nullptr);

// Warning percentages already given in the billing month, stored in [Billing] under `key`
// as "yyyy-MM-dd:80,90" (the month's first day). Those of another month count as none.
std::vector<int> ReadGivenMarks(const QString& key, const BillingMonth& month);
bool WriteGivenMarks(const QString& key, const BillingMonth& month, const std::vector<int>& given);

// The budget's warnings given (key "Given").
inline const QString kGivenKey = QStringLiteral("Given");
inline std::vector<int> ReadGivenWarnings(const BillingMonth& month) {
    return ReadGivenMarks(kGivenKey, month);
}
inline bool WriteGivenWarnings(const BillingMonth& month, const std::vector<int>& given) {
    return WriteGivenMarks(kGivenKey, month, given);
}

// Splits a command line into words the way a POSIX shell splits them, without any
// expansion: blanks part words; '…' keeps everything literally; "…" keeps everything
// but a backslash before " \ $ or `; a backslash outside quotes keeps the next
// character. False for an unclosed quote or a trailing backslash.
bool SplitShellWords(const QString& text, QStringList* words);

}  // namespace vindelor
