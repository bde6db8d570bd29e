#include "viewer/logrows.h"

#include "core/numbers.h"
#include "core/texts.h"

#include <algorithm>
#include <set>

namespace vindelor::brusko {
namespace {

const QChar kTab = QLatin1Char('\t');

// Replaces the first occurrence of `c` in `text` by a tab.
void FirstToTab(QString& text, QChar c) {
    const int at = text.indexOf(c);
    if (at >= 0) {
        text[at] = kTab;
    }
}

int WholeDigits(Money value) {
    // The digits the text will show before the point (after its rounding).
    const QString text = MoneyText(value < Money() ? -value : value, 3);
    const int point = text.indexOf(QLatin1Char('.'));
    return point < 0 ? static_cast<int>(text.size()) : point;
}

// The line with its volume part, if any, as two more tab-parted columns.
QString VolumeAsColumns(const QString& logLine) {
    const LogLineParts p = SplitLogLine(logLine);
    if (!p.volume.known) {
        return logLine;
    }
    const qsizetype volumeAt = logLine.indexOf(QLatin1Char('^')) + 1 + p.cost.size();
    return logLine.left(volumeAt) + VolumeClipboardText(p.volume);
}

}  // namespace

QString ListRow(const QString& logLine) {
    const LogLineParts p = SplitLogLine(logLine);
    const QString two = QStringLiteral("\t\t");
    return two + p.date + two + p.time + two + p.duration + two + QStringLiteral(" > ") + p.cost;
}

QString StartClipboardLine(const QString& logLine) {
    // Positions are those of the original line: a tab never makes a new separator.
    QString line = VolumeAsColumns(logLine);
    FirstToTab(line, QLatin1Char(' '));
    FirstToTab(line, QLatin1Char('-'));
    FirstToTab(line, QLatin1Char('^'));
    return line;
}

QString DeletionClipboardLine(const QString& logLine) {
    QString line = VolumeAsColumns(logLine);
    FirstToTab(line, QLatin1Char('-'));
    FirstToTab(line, QLatin1Char('^'));
    return line;
}

QString CopyLineFromRow(const QString& row) {
    QString text = row;
    text.replace(kTab, QLatin1Char('*'));
    text.remove(0, 2);
    // Each pair of column tabs becomes one tab: date, start time and duration.
    for (int i = 0; i < 3; ++i) {
        const int star = text.indexOf(QLatin1Char('*'));
        if (star >= 0) {
            text.replace(star, 2, kTab);
        }
    }
    const int arrow = text.indexOf(QLatin1Char('>'));
    if (arrow < 0) {
        return text;
    }
    // The row holds " > " and the cost text. A cost field that starts with a blank keeps
    // its width (the blank before ">" takes the place of its first blank); a cost that
    // fills the field is kept whole rather than losing its first digit.
    const QString cost = text.mid(arrow + 2);
    const int blankBefore = arrow > 0 && text.at(arrow - 1) == QLatin1Char(' ') ? arrow - 1 : arrow;
    const bool fieldStartsBlank = cost.isEmpty() || cost.at(0) == QLatin1Char(' ');
    return text.left(blankBefore) + (fieldStartsBlank ? QStringLiteral(" ") + cost.mid(1) : cost);
}

LogTotals SumLines(const QStringList& logLines) {
    LogTotals totals;
    for (const QString& line : logLines) {
        const LogLineParts p = SplitLogLine(line);
        totals.time = Normalised(Add(totals.time, ParseHms(p.duration)));
        if (p.hasCost) {
            totals.cost += ReadCost(p.cost);
        }
        if (IsFailedTryLine(line)) {
            ++totals.failedTries;
        }
    }
    return totals;
}

QString DeletionCostText(Money sum) {
    const int width = 4 + std::max(2, WholeDigits(sum));
    return StoredTotalText(sum, width);
}

Recount RecountRows(const QStringList& rows) {
    Recount r;
    for (const QString& row : rows) {
        QString text = row;
        text.replace(kTab, QLatin1Char('*'));
        if (text.contains(QLatin1Char('+'))) {
            ++r.failedTries;
        }
        const int arrow = text.indexOf(QLatin1Char('>'));
        r.cost += ReadCost(arrow < 0 ? text : text.mid(arrow + 1));
    }
    return r;
}

QString RecountCostText(Money sum) {
    return StoredTotalText(sum, 5);
}

bool ParseRowList(const QString& text, int rowCount, std::vector<int>* rows, QString* error) {
    std::set<int> chosen;
    const QStringList items = text.split(QLatin1Char(','));
    for (const QString& rawItem : items) {
        const QString item = rawItem.trimmed();
        const QStringList ends = item.split(QLatin1Char('-'));
        bool okFirst = false;
        bool okLast = false;
        int first = 0;
        int last = 0;
        if (ends.size() == 1) {
            first = last = ends[0].trimmed().toInt(&okFirst);
            okLast = okFirst;
        } else if (ends.size() == 2) {
            first = ends[0].trimmed().toInt(&okFirst);
            last = ends[1].trimmed().toInt(&okLast);
        }
        if (!okFirst || !okLast || first > last) {
            *error = Text(kOwnTextBase + kTextNotARowList).arg(item);
            return false;
        }
        if (first < 1 || last > rowCount) {
            *error =
                Text(kOwnTextBase + kTextRowNotListed).arg(first < 1 ? first : last).arg(rowCount);
            return false;
        }
        for (int r = first; r <= last; ++r) {
            chosen.insert(r - 1);
        }
    }
    rows->assign(chosen.begin(), chosen.end());
    return true;
}

}  // namespace vindelor::brusko
