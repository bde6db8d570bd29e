#include "viewer/logexport.h"

#include "core/texts.h"
#include "platform/errortext.h"
#include "platform/files.h"
#include "viewer/logrows.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <limits>

#include <sys/stat.h>

namespace vindelor::brusko {
namespace {

// Every record is built in one buffer from plain digits: a 31,999-line export made of
// small QStrings spent most of its time allocating them.
void AppendNumber(QByteArray* out, long long value) {
    char text[24];
    const int n = std::snprintf(text, sizeof text, "%lld", value);
    out->append(text, n);
}

QByteArray DateField(const DatedLogLine& line) {
    int y = 0;
    int m = 0;
    int d = 0;
    line.date.getDate(&y, &m, &d);
    char text[24];
    const int n = std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d);
    return QByteArray(text, n);
}

QByteArray StartField(const DatedLogLine& line) {
    if (!line.start.isValid()) {
        return QByteArray();
    }
    char text[16];
    const int n = std::snprintf(text, sizeof text, "%02d:%02d:%02d", line.start.hour(),
                                line.start.minute(), line.start.second());
    return QByteArray(text, n);
}

// Four decimals as the log keeps them, always with a point whatever the locale.
QByteArray CostNumber(Money cost) {
    return MoneyText(cost, 4).toLatin1();
}

QString Own(int n) {
    return Text(kOwnTextBase + n);
}

}  // namespace

QByteArray CsvField(const QByteArray& text) {
    bool quote = false;
    for (const char c : text) {
        if (c == ',' || c == '"' || c == '\r' || c == '\n') {
            quote = true;
            break;
        }
    }
    if (!quote) {
        return text;
    }
    QByteArray quoted = text;
    quoted.replace('"', "\"\"");
    return '"' + quoted + '"';
}

QByteArray JsonString(const QByteArray& text) {
    QByteArray s;
    s.reserve(text.size() + 2);
    s += '"';
    for (const char c : text) {
        switch (c) {
            case '"':
                s += "\\\"";
                break;
            case '\\':
                s += "\\\\";
                break;
            case '\n':
                s += "\\n";
                break;
            case '\r':
                s += "\\r";
                break;
            case '\t':
                s += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    s += escaped;
                } else {
                    s += c;  // UTF-8 passes as it is
                }
        }
    }
    s += '"';
    return s;
}

namespace {

// One record without its end: key, date, start, duration, failed, cost, rx and tx bytes.
void AppendCsvRecord(QByteArray* out, const DatedLogLine& line) {
    AppendNumber(out, line.key);
    *out += ',';
    *out += CsvField(DateField(line));
    *out += ',';
    *out += CsvField(StartField(line));
    *out += ',';
    if (!line.failed) {
        AppendNumber(out, line.seconds);
    }
    *out += line.failed ? ",1," : ",0,";
    *out += CostNumber(line.cost);
    *out += ',';
    if (line.volume.known) {
        *out += QByteArray::number(line.volume.rx) + ',' + QByteArray::number(line.volume.tx) +
                ',' + QByteArray::number(line.volume.roamingRx) + ',' +
                QByteArray::number(line.volume.roamingTx);
    } else {
        *out += ",,,";
    }
}

// One object without its closing brace.
void AppendJsonRecord(QByteArray* out, const DatedLogLine& line) {
    *out += "  {\"key\": ";
    AppendNumber(out, line.key);
    *out += ", \"date\": ";
    *out += JsonString(DateField(line));
    *out += ", \"start\": ";
    const QByteArray start = StartField(line);
    *out += start.isEmpty() ? QByteArray("null") : JsonString(start);
    *out += ", \"duration\": ";
    if (line.failed) {
        *out += "null";
    } else {
        AppendNumber(out, line.seconds);
    }
    *out += line.failed ? ", \"failed\": true, \"cost\": " : ", \"failed\": false, \"cost\": ";
    *out += CostNumber(line.cost);
    if (line.volume.known) {
        *out += ", \"rx_bytes\": " + QByteArray::number(line.volume.rx) +
                ", \"tx_bytes\": " + QByteArray::number(line.volume.tx) +
                ", \"roaming_rx_bytes\": " + QByteArray::number(line.volume.roamingRx) +
                ", \"roaming_tx_bytes\": " + QByteArray::number(line.volume.roamingTx);
    } else {
        *out +=
            ", \"rx_bytes\": null, \"tx_bytes\": null, \"roaming_rx_bytes\": null, "
            "\"roaming_tx_bytes\": null";
    }
}

const QByteArray kCsvHeader =
    "key,date,start,duration,failed,cost,rx_bytes,tx_bytes,roaming_rx_bytes,roaming_tx_bytes";

size_t LineCount(const std::vector<PlanLog>& plans) {
    size_t n = 0;
    for (const PlanLog& plan : plans) {
        n += plan.log.lines.size();
    }
    return n;
}

}  // namespace

QByteArray ExportCsv(const std::vector<DatedLogLine>& lines) {
    QByteArray out;
    out.reserve(static_cast<qsizetype>(lines.size()) * 48 + 40);
    out += kCsvHeader + "\r\n";
    for (const DatedLogLine& line : lines) {
        AppendCsvRecord(&out, line);
        out += "\r\n";
    }
    return out;
}

QByteArray ExportPlansCsv(const std::vector<PlanLog>& plans) {
    QByteArray out;
    out.reserve(static_cast<qsizetype>(LineCount(plans)) * 56 + 48);
    out += kCsvHeader + ",plan\r\n";
    for (const PlanLog& plan : plans) {
        const QByteArray name = ',' + CsvField(plan.name.toUtf8()) + "\r\n";
        for (const DatedLogLine& line : plan.log.lines) {
            AppendCsvRecord(&out, line);
            out += name;
        }
    }
    return out;
}

QByteArray ExportJson(const std::vector<DatedLogLine>& lines) {
    if (lines.empty()) {
        return "[]\n";
    }
    QByteArray out;
    out.reserve(static_cast<qsizetype>(lines.size()) * 110 + 4);
    out += "[\n";
    bool first = true;
    for (const DatedLogLine& line : lines) {
        if (!first) {
            out += ",\n";
        }
        first = false;
        AppendJsonRecord(&out, line);
        out += '}';
    }
    out += "\n]\n";
    return out;
}

QByteArray ExportPlansJson(const std::vector<PlanLog>& plans) {
    const size_t count = LineCount(plans);
    if (count == 0) {
        return "[]\n";
    }
    QByteArray out;
    out.reserve(static_cast<qsizetype>(count) * 130 + 4);
    out += "[\n";
    bool first = true;
    for (const PlanLog& plan : plans) {
        const QByteArray name = ", \"plan\": " + JsonString(plan.name.toUtf8()) + '}';
        for (const DatedLogLine& line : plan.log.lines) {
            if (!first) {
                out += ",\n";
            }
            first = false;
            AppendJsonRecord(&out, line);
            out += name;
        }
    }
    out += "\n]\n";
    return out;
}

QString ShownCost(Money cost) {
    return MoneyText(cost, 2);
}

namespace {

// Rows of texts in columns two blanks apart: the first `leftColumns` flush left, the
// others flush right.
QString ColumnsText(const std::vector<QStringList>& rows, int leftColumns) {
    std::vector<int> widths(rows.empty() ? 0 : static_cast<size_t>(rows.front().size()), 0);
    for (const QStringList& row : rows) {
        for (size_t i = 0; i < widths.size(); ++i) {
            widths[i] = std::max(widths[i], static_cast<int>(row[static_cast<int>(i)].size()));
        }
    }
    QString out;
    for (const QStringList& row : rows) {
        QString line;
        for (size_t i = 0; i < widths.size(); ++i) {
            const QString& cell = row[static_cast<int>(i)];
            line += (i > 0 ? QLatin1String("  ") : QLatin1String()) +
                    (static_cast<int>(i) < leftColumns ? cell.leftJustified(widths[i])
                                                       : cell.rightJustified(widths[i]));
        }
        out += line + QLatin1Char('\n');
    }
    return out;
}

QStringList MonthsHeading() {
    return {Own(kTextMonthColumnStart),
            Own(kTextMonthColumnSessions),
            Own(kTextMonthColumnFailed),
            Own(kTextMonthColumnNetTime),
            Own(kTextMonthColumnCost),
            Own(kTextMonthColumnVolume) + QStringLiteral(" (MB)"),
            Own(kTextMonthColumnRoaming) + QStringLiteral(" (MB)")};
}

QStringList MonthCells(const MonthSummary& m) {
    return {m.month.first.toString(Qt::ISODate),
            QString::number(m.sessions),
            QString::number(m.failedTries),
            NetTimeText(m.seconds),
            ShownCost(m.cost),
            m.volume.known ? MegabyteText(m.volume.Total()) : QStringLiteral("-"),
            m.volume.known ? MegabyteText(m.volume.RoamingTotal()) : QStringLiteral("-")};
}

}  // namespace

QString MonthsTableText(const std::vector<MonthSummary>& months) {
    std::vector<QStringList> rows;
    rows.reserve(months.size() + 1);
    rows.push_back(MonthsHeading());
    for (const MonthSummary& m : months) {
        rows.push_back(MonthCells(m));
    }
    return ColumnsText(rows, 1);
}

QString PlanMonthsTableText(const std::vector<PlanMonth>& months) {
    std::vector<QStringList> rows;
    rows.reserve(months.size() + 1);
    rows.push_back(QStringList{Own(kTextPlanMenu)} + MonthsHeading());
    for (const PlanMonth& m : months) {
        QStringList cells = MonthCells(m.summary);
        if (m.total) {
            // The calendar month, which the plans' billing months began in.
            cells[0] = m.summary.month.first.toString(QStringLiteral("yyyy-MM"));
        }
        rows.push_back(QStringList{m.total ? Own(kTextPlansTotal) : PlanTitle(m.plan)} + cells);
    }
    return ColumnsText(rows, 2);
}

Subtotal SubtotalOf(const QStringList& logLines) {
    const LogTotals totals = SumLines(logLines);
    Subtotal s;
    s.count = static_cast<int>(logLines.size());
    // Hand-edited hours may be of any length: the sum saturates instead of wrapping.
    constexpr long long kMaxHours = std::numeric_limits<long long>::max() / 3600 - 1;
    s.seconds = totals.time.hours >= kMaxHours
                    ? std::numeric_limits<long long>::max()
                    : totals.time.hours * 3600 + totals.time.minutes * 60 + totals.time.seconds;
    s.cost = totals.cost;
    return s;
}

QString UndatedNotice(const std::vector<int>& keys) {
    QStringList names;
    names.reserve(static_cast<qsizetype>(keys.size()));
    for (const int key : keys) {
        names.append(QString::number(key));
    }
    return Own(kTextUndatedLeftOut).arg(keys.size()).arg(names.join(QLatin1String(", ")));
}

bool WriteTextFile(const QString& path, const QByteArray& bytes, QString* error) {
    // Written inside the named folder, where a link at the name is replaced and never
    // followed: a path looked up once for a check and again for the write could have
    // been swapped for a link in between.
    const QFileInfo where(path);
    const platform::DirectoryWrite written = platform::WriteFileInDirectory(
        QFile::encodeName(where.absolutePath()), QFile::encodeName(where.fileName()), bytes);
    if (written.error == 0) {
        return true;
    }
    if (written.foreignLink) {
        *error = Text(kOwnTextBase + kTextOutputForeignLink).arg(path);
    } else if (written.error == EISDIR) {
        *error = Text(kOwnTextBase + kTextOutputIsFolder).arg(path);
    } else {
        *error = QStringLiteral("%1: %2").arg(path, platform::ErrorText(written.error));
    }
    return false;
}

}  // namespace vindelor::brusko
