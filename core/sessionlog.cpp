#include "core/sessionlog.h"

#include "core/numbers.h"
#include "core/profile.h"

#include <limits>

namespace vindelor {
namespace {

constexpr long long kMax = std::numeric_limits<long long>::max();

long long SaturatingAdd(long long a, long long b) {
    long long sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return b > 0 ? kMax : std::numeric_limits<long long>::min();
    return sum;
}

// The whole number in the part's leading digits (after blanks); a part without digits
// is 0. Saturates: a damaged line must not wrap a total round to a negative time.
long long LeadingDigits(QStringView part) {
    int i = 0;
    while (i < part.size() && part[i] == QLatin1Char(' '))
        ++i;
    long long value = 0;
    for (; i < part.size() && part[i] >= QLatin1Char('0') && part[i] <= QLatin1Char('9'); ++i) {
        const int digit = part[i].unicode() - '0';
        if (value > (kMax - digit) / 10) {
            value = kMax;
        } else {
            value = value * 10 + digit;
        }
    }
    return value;
}

// Floor division, so that a negative part borrows instead of leaving a negative remainder.
void Carry(long long* low, long long* high) {
    long long carried = *low / 60;
    long long rest = *low % 60;
    if (rest < 0) {
        rest += 60;
        --carried;
    }
    *low = rest;
    *high = SaturatingAdd(*high, carried);
}

QString LogFile(const QString& file) {
    return file.isEmpty() ? kLogFile : file;
}

// Every reader walks the keys from "1" and stops at the first key that is missing or
// reads as "#", the default the readers pass.
template <typename Visit>
int WalkLog(const ProfileSnapshot& log, Visit visit) {
    for (int n = 1;; ++n) {
        QString value;
        if (!log.Find(kLogSection, QString::number(n), &value) || value == QLatin1String("#")) {
            return n;
        }
        visit(value);
    }
}

}  // namespace

LogLineParts SplitLogLine(const QString& line) {
    LogLineParts parts;
    const qsizetype blank = line.indexOf(QLatin1Char(' '));
    if (blank < 0) {
        parts.date = line;
        return parts;
    }
    parts.date = line.left(blank);
    const qsizetype dash = line.indexOf(QLatin1Char('-'), blank + 1);
    if (dash < 0) {
        parts.time = line.mid(blank + 1);
        return parts;
    }
    parts.time = line.mid(blank + 1, dash - blank - 1);
    const qsizetype caret = line.indexOf(QLatin1Char('^'), dash + 1);
    if (caret < 0) {
        parts.duration = line.mid(dash + 1);
        return parts;
    }
    parts.duration = line.mid(dash + 1, caret - dash - 1);
    qsizetype costLength = 0;
    parts.volume = ReadVolumeField(QStringView(line).mid(caret + 1), &costLength);
    parts.cost = line.mid(caret + 1, costLength);
    parts.hasCost = true;
    return parts;
}

QString BuildLogLine(const QString& date, const QString& time, const QString& durationOrMarker,
                     Money cost, const DataVolume& volume) {
    return date + QLatin1Char(' ') + time + QLatin1Char('-') + durationOrMarker + QLatin1Char('^') +
           MoneyText(cost, 4, 9) + VolumeLogText(volume);
}

QString FailedTryMarker(int languageOffset) {
    switch (languageOffset) {
        case 0:
            return QStringLiteral("+FÖRSÖK+");
        case 300:
            return QStringLiteral("+YRITYS+");
        default:
            return QStringLiteral("+FAILED+");
    }
}

bool IsFailedTryLine(const QString& line) {
    return line.contains(QLatin1Char('+'));
}

Hms ParseHms(const QString& text) {
    // The parts are looked at where they are: a whole log's durations split into lists
    // of strings cost more than reading them.
    Hms value;
    long long* const fields[3] = {&value.hours, &value.minutes, &value.seconds};
    qsizetype from = 0;
    for (long long* field : fields) {
        const qsizetype colon = text.indexOf(QLatin1Char(':'), from);
        *field = LeadingDigits(QStringView(text).mid(from, colon < 0 ? -1 : colon - from));
        if (colon < 0)
            break;
        from = colon + 1;
    }
    return value;
}

Hms Normalised(Hms value) {
    Carry(&value.seconds, &value.minutes);
    Carry(&value.minutes, &value.hours);
    return value;
}

Hms Add(const Hms& a, const Hms& b) {
    Hms sum;
    sum.hours = SaturatingAdd(a.hours, b.hours);
    sum.minutes = SaturatingAdd(a.minutes, b.minutes);
    sum.seconds = SaturatingAdd(a.seconds, b.seconds);
    return Normalised(sum);
}

QString FormatHms(const Hms& value, bool dropSeconds) {
    return TwoDigitText(value.hours) + QLatin1Char(':') + TwoDigitText(value.minutes) +
           QLatin1Char(':') + (dropSeconds ? QStringLiteral("00") : TwoDigitText(value.seconds));
}

Money ReadCost(const QString& costText, bool* readable) {
    return ReadMoney(costText, readable);
}

QStringList ReadLogLines(const QString& file, int maxLength) {
    const ProfileSnapshot log(LogFile(file));
    QStringList lines;
    WalkLog(log, [&](const QString& value) {
        lines.append(maxLength <= 1 ? QString() : value.left(maxLength - 1));
    });
    return lines;
}

QStringList ReadAllLogLines(const QString& file, int maxLength, int* contiguous) {
    const ProfileSnapshot log(LogFile(file));
    QStringList lines;
    // The walk of ReadLogLines ends where a key is missing or reads "#".
    bool walking = true;
    int walked = 0;
    for (const auto& [key, value] : log.NumberedValues(kLogSection)) {
        walking = walking && key == walked + 1 && value != QLatin1String("#");
        walked += walking ? 1 : 0;
        lines.append(maxLength <= 1 ? QString() : value.left(maxLength - 1));
    }
    if (contiguous != nullptr) {
        *contiguous = walked;
    }
    return lines;
}

int FirstFreeLogKey(const QString& file) {
    return WalkLog(ProfileSnapshot(LogFile(file)), [](const QString&) {});
}

// The classic append stopped at 31,999 lines and then overwrote the last one; every
// reader walks to the first missing key, so appending past it loses nothing.
int AppendLogLine(const QString& line, const QString& file, int* error) {
    const QString path = LogFile(file);
    ProfileLock lock;
    const int key = FirstFreeLogKey(path);
    return WriteProfileString(kLogSection, QString::number(key), line, path, error) ? key : 0;
}

bool RewriteLog(const QStringList& lines, const QString& file, int* error) {
    std::vector<std::pair<QString, QString>> entries;
    entries.reserve(static_cast<size_t>(lines.size()));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        entries.emplace_back(QString::number(i + 1), lines[i]);
    }
    ProfileLock lock;
    return WriteProfileSection(kLogSection, entries, LogFile(file), error);
}

}  // namespace vindelor
