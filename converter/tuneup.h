// The tune-up of a session log written before 1.12: every old line (no "^") gets "^" and
// a cost computed from its duration and the charge per minute.
#pragma once

#include <QString>
#include <QStringList>

namespace vindelor::ristola {

inline const QString kProgramTitle = QStringLiteral("Vindelor Ristola");

enum class TuneUpOutcome {
    NoLogFile,         // the log has no line 1; nothing written
    AlreadyConverted,  // line 1 carries a cost; nothing written
    Done,              // the old lines were converted (or there were none left to convert)
    WriteFailed,       // the converted log could not be written; the old log is unchanged
};

// The message shown for an outcome, in all three languages at once.
QString OutcomeMessage(TuneUpOutcome outcome);

// "^" and the cost of a duration: charge × (hours × 60 + minutes), 2 decimals, 7 wide.
QString CostSuffix(double chargePerMinute, long long hours, long long minutes);

struct Conversion {
    QStringList lines;  // the whole log, old lines converted
    int converted = 0;  // how many lines got a cost
};

// Converts lines from the first on, up to the first line that already has a "^" or is
// "#" (where every reader of the log stops); the rest is left as it is. Hours are characters 1-2
// and minutes 4-5 of the text after the first "-"; a part that is not a number keeps the value of
// the line before (0 on the first line). The seconds are not charged. A failed-try line (holding a
// "+") costs one minute and leaves the carried hours and minutes as they were.
Conversion ConvertOldLines(const QStringList& lines, double chargePerMinute);

// The whole tune-up on the log and settings in the data directory. The converted log is
// written in one atomic rewrite under the profile lock, so a crash leaves either the old
// log or the fully converted one; then the stored cost total becomes the sum of the
// listed lines' costs.
TuneUpOutcome RunTuneUp();

}  // namespace vindelor::ristola
