#include "converter/tuneup.h"

#include "core/money.h"
#include "core/numbers.h"
#include "core/profile.h"
#include "core/sessionlog.h"

#include <limits>

namespace vindelor::ristola {
namespace {

// Lines are read whole for the rewrite: a line the tune-up does not convert must come
// back exactly as it was, however long.
constexpr int kWholeLine = std::numeric_limits<int>::max();

// A duration part counts only when it is a whole number that is not negative.
bool ReadPart(const QString& text, long long* out) {
    int value = 0;
    if (!ConvertInteger(text, &value) || value < 0) {
        return false;
    }
    *out = value;
    return true;
}

}  // namespace

QString OutcomeMessage(TuneUpOutcome outcome) {
    switch (outcome) {
        case TuneUpOutcome::NoLogFile:
            return QStringLiteral(
                "No logfile found !  Ingen loggfil hittad !  Lokia ei löydetty !");
        case TuneUpOutcome::AlreadyConverted:
            return QStringLiteral(
                "Logfile m/1.12 found !  Loggfil m/1.12 hittad !  Loki m/1.12 löydetty !");
        case TuneUpOutcome::Done:
            return QStringLiteral("Done !   Klart !   Valmista !");
        case TuneUpOutcome::WriteFailed:
            return QStringLiteral(
                "Logfile could not be written !  Loggfilen kunde inte skrivas !  Lokia ei "
                "voitu kirjoittaa !");
    }
    return {};
}

QString CostSuffix(double chargePerMinute, long long hours, long long minutes) {
    const double cost = chargePerMinute * static_cast<double>(hours * 60 + minutes);
    return QStringLiteral("^") + MoneyText(Money::FromDouble(cost), 2, 7);
}

Conversion ConvertOldLines(const QStringList& lines, double chargePerMinute) {
    Conversion result;
    result.lines = lines;
    long long hours = 0;
    long long minutes = 0;
    for (QString& line : result.lines) {
        if (line.contains(QLatin1Char('^'))) {
            break;  // from here on the log is in the current form
        }
        if (line == QLatin1String("#")) {
            break;  // every reader stops here: it and what follows are kept as they are
        }
        if (IsFailedTryLine(line)) {
            // A failed try has no duration to take hours and minutes from. Version 1.12
            // logs one at the price of one minute, as the cost total always counted it;
            // the session before it says nothing about its cost.
            line += CostSuffix(chargePerMinute, 0, 1);
            ++result.converted;
            continue;
        }
        // mid() of -1 + 1 keeps the whole line when it has no "-".
        const QString duration = line.mid(line.indexOf(QLatin1Char('-')) + 1);
        ReadPart(duration.mid(0, 2), &hours);
        ReadPart(duration.mid(3, 2), &minutes);
        line += CostSuffix(chargePerMinute, hours, minutes);
        ++result.converted;
    }
    return result;
}

TuneUpOutcome RunTuneUp() {
    ProfileLock lock;
    // The whole log is rewritten: lines after a gap in the keys are converted and kept.
    int listable = 0;
    const QStringList lines = ReadAllLogLines(kLogFile, kWholeLine, &listable);
    if (listable == 0) {
        return TuneUpOutcome::NoLogFile;
    }
    if (lines.first().contains(QLatin1Char('^'))) {
        return TuneUpOutcome::AlreadyConverted;
    }
    const QString charge = GetProfileString(QStringLiteral("Charge"), QStringLiteral("per_min"),
                                            QStringLiteral("0"), 10, kSettingsFile);
    const Conversion conversion = ConvertOldLines(lines, NumberOr(charge, 0.0));
    if (!RewriteLog(conversion.lines, kLogFile)) {
        return TuneUpOutcome::WriteFailed;
    }
    // The old lines carry costs now: the stored total becomes their sum with the others',
    // as every reader of money adds the lines, in the form the session close writes it.
    // With cost monitoring off the total stays as it is, as the session close leaves it.
    const bool monitoringOff =
        GetProfileString(QStringLiteral("Session"), QString::fromUtf8("Räknare"),
                         QStringLiteral("Nej"), 5, kSettingsFile) == QStringLiteral("Ja");
    if (!monitoringOff) {
        Money total;
        for (const QString& line : conversion.lines.mid(0, listable)) {
            const LogLineParts parts = SplitLogLine(line);
            if (parts.hasCost) {
                total += ReadCost(parts.cost);
            }
        }
        WriteProfileString(QStringLiteral("Kostnad"), QStringLiteral("Totalt"),
                           StoredTotalText(total, 8), kSettingsFile);
    }
    return TuneUpOutcome::Done;
}

}  // namespace vindelor::ristola
