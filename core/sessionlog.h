// The session log "Vindelor.log": one profile section "Nättid" whose keys "1", "2", …
// hold one line each. Current line form:
//     06.12.1999 14:05:09-00:12:00^   1.2000
// date, blank, time, "-", duration (or a failed-try marker), "^", cost in 9 characters
// with 4 decimals, then, for a session whose bytes were counted, its volume (see
// shared/datavolume.h). Lines written before 1.12 stop after the duration.
#pragma once

#include "core/datavolume.h"
#include "core/money.h"

#include <QString>
#include <QStringList>

namespace vindelor {

inline const QString kLogSection = QStringLiteral("Nättid");
constexpr int kLogReadLength = 50;  // readers read at most 49 characters of a line
constexpr int kLogClassicLimit = 31999;

struct LogLineParts {
    QString date;      // before the first blank
    QString time;      // after that blank, up to the first "-"
    QString duration;  // after that "-", up to the first "^" (or to the end)
    QString cost;      // after the first "^" up to the volume; empty for a pre-1.12 line
    bool hasCost = false;
    DataVolume volume;  // unknown unless the line carries one
};

LogLineParts SplitLogLine(const QString& line);

// date + " " + time + "-" + durationOrMarker + "^" + MoneyText(cost, 4, 9), and the
// volume's part when it is known.
QString BuildLogLine(const QString& date, const QString& time, const QString& durationOrMarker,
                     Money cost, const DataVolume& volume = {});
// The running session's cost as the line writes it: to the nearest ten-thousandth.
inline QString BuildLogLine(const QString& date, const QString& time,
                            const QString& durationOrMarker, double cost,
                            const DataVolume& volume = {}) {
    return BuildLogLine(date, time, durationOrMarker, Money::FromDouble(cost), volume);
}

// Failed-try marker of the language in force: "+FÖRSÖK+", "+YRITYS+", "+FAILED+".
QString FailedTryMarker(int languageOffset);
// A failed-try line is recognised by a "+" anywhere in it.
bool IsFailedTryLine(const QString& line);

struct Hms {
    long long hours = 0;
    long long minutes = 0;
    long long seconds = 0;
};
// Parts between ":" separators; a part that is not a number (from its leading digits)
// adds nothing. Hours may have any number of digits.
Hms ParseHms(const QString& text);
// Carries seconds over 59 into minutes and minutes over 59 into hours.
Hms Normalised(Hms value);
Hms Add(const Hms& a, const Hms& b);
// TwoDigitText of each part joined by ":"; seconds as "00" when dropSeconds.
QString FormatHms(const Hms& value, bool dropSeconds = false);

// The cost text read as money after its leading blanks (ReadMoney); 0 when it is none.
Money ReadCost(const QString& costText, bool* readable = nullptr);

// Reads the log (default file kLogFile) from key "1" until the first missing key.
QStringList ReadLogLines(const QString& file = QString(), int maxLength = kLogReadLength);
// Every line of the log in key order, those after a gap in the keys too: what a rewrite
// of the whole log must keep. *contiguous, when given, receives how many of them
// ReadLogLines would give (the lines before the first gap or "#").
QStringList ReadAllLogLines(const QString& file = QString(), int maxLength = kLogReadLength,
                            int* contiguous = nullptr);
// The first key n >= 1 whose value is missing.
int FirstFreeLogKey(const QString& file = QString());
// Appends under the first free key, holding the profile lock. Returns the key used, or
// 0 when the write failed. Never overwrites an existing line. `error`, when given,
// receives 0 or the reason of the failure.
int AppendLogLine(const QString& line, const QString& file = QString(), int* error = nullptr);
// Rewrites the whole log in one atomic step with the lines renumbered from "1".
bool RewriteLog(const QStringList& lines, const QString& file = QString(), int* error = nullptr);

}  // namespace vindelor
