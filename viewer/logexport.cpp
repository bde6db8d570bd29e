#include "viewer/logexport.h"

#include "core/texts.h"
#include "platform/errortext.h"
#include "platform/files.h"
#include "viewer/logrows.h"

#include <QFileInfo>
#include <QSaveFile>

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

QByteArray ExportCsv(const std::vector<DatedLogLine>& lines) {
    QByteArray out;
    out.reserve(static_cast<qsizetype>(lines.size()) * 48 + 40);
    out +=
        "key,date,start,duration,failed,cost,rx_bytes,tx_bytes,roaming_rx_bytes,"
        "roaming_tx_bytes\r\n";
    for (const DatedLogLine& line : lines) {
        AppendNumber(&out, line.key);
        out += ',';
        out += CsvField(DateField(line));
        out += ',';
        out += CsvField(StartField(line));
        out += ',';
        if (!line.failed) {
            AppendNumber(&out, line.seconds);
        }
        out += line.failed ? ",1," : ",0,";
        out += CostNumber(line.cost);
        out += ',';
        if (line.volume.known) {
            out += QByteArray::number(line.volume.rx) + ',' + QByteArray::number(line.volume.tx) +
                   ',' + QByteArray::number(line.volume.roamingRx) + ',' +
                   QByteArray::number(line.volume.roamingTx);
        } else {
            out += ",,,";
        }
        out += "\r\n";
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
        out += "  {\"key\": ";
        AppendNumber(&out, line.key);
        out += ", \"date\": ";
        out += JsonString(DateField(line));
        out += ", \"start\": ";
        const QByteArray start = StartField(line);
        out += start.isEmpty() ? QByteArray("null") : JsonString(start);
        out += ", \"duration\": ";
        if (line.failed) {
            out += "null";
        } else {
            AppendNumber(&out, line.seconds);
        }
        out += line.failed ? ", \"failed\": true, \"cost\": " : ", \"failed\": false, \"cost\": ";
        out += CostNumber(line.cost);
        if (line.volume.known) {
            out += ", \"rx_bytes\": " + QByteArray::number(line.volume.rx) +
                   ", \"tx_bytes\": " + QByteArray::number(line.volume.tx) +
                   ", \"roaming_rx_bytes\": " + QByteArray::number(line.volume.roamingRx) +
                   ", \"roaming_tx_bytes\": " + QByteArray::number(line.volume.roamingTx);
        } else {
            out +=
                ", \"rx_bytes\": null, \"tx_bytes\": null, \"roaming_rx_bytes\": null, "
                "\"roaming_tx_bytes\": null";
        }
        out += '}';
    }
    out += "\n]\n";
    return out;
}

QString ShownCost(Money cost) {
    return MoneyText(cost, 2);
}

QString MonthsTableText(const std::vector<MonthSummary>& months) {
    std::vector<QStringList> rows;
    rows.reserve(months.size() + 1);
    rows.push_back({Own(kTextMonthColumnStart), Own(kTextMonthColumnSessions),
                    Own(kTextMonthColumnFailed), Own(kTextMonthColumnNetTime),
                    Own(kTextMonthColumnCost),
                    Own(kTextMonthColumnVolume) + QStringLiteral(" (MB)"),
                    Own(kTextMonthColumnRoaming) + QStringLiteral(" (MB)")});
    for (const MonthSummary& m : months) {
        rows.push_back(
            {m.month.first.toString(Qt::ISODate), QString::number(m.sessions),
             QString::number(m.failedTries), NetTimeText(m.seconds), ShownCost(m.cost),
             m.volume.known ? MegabyteText(m.volume.Total()) : QStringLiteral("-"),
             m.volume.known ? MegabyteText(m.volume.RoamingTotal()) : QStringLiteral("-")});
    }
    constexpr int kColumns = 7;
    int widths[kColumns] = {};
    for (const QStringList& row : rows) {
        for (int i = 0; i < kColumns; ++i) {
            widths[i] = std::max(widths[i], static_cast<int>(row[i].size()));
        }
    }
    QString out;
    for (const QStringList& row : rows) {
        QString line = row[0].leftJustified(widths[0]);
        for (int i = 1; i < kColumns; ++i) {
            line += QLatin1String("  ") + row[i].rightJustified(widths[i]);
        }
        out += line + QLatin1Char('\n');
    }
    return out;
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
    const QByteArray name = QFile::encodeName(path);
    const platform::FileStatus link = platform::LinkStatusOf(name);
    const struct stat& st = link.status;
    if (link.error == 0 && S_ISLNK(st.st_mode) && st.st_uid != platform::EffectiveUser()) {
        // The save follows the link itself, where the kernel's guard for shared folders
        // never sees it: a link someone else planted in a sticky folder (/tmp) would
        // have the export replace whatever it points at.
        const platform::FileStatus folder =
            platform::StatusOf(QFile::encodeName(QFileInfo(path).absolutePath()));
        if (folder.error == 0 && (folder.status.st_mode & S_ISVTX) != 0 &&
            folder.status.st_uid != st.st_uid) {
            *error = Text(kOwnTextBase + kTextOutputForeignLink).arg(path);
            return false;
        }
    }
    if (QFileInfo(path).isDir()) {
        *error = Text(kOwnTextBase + kTextOutputIsFolder).arg(path);
        return false;
    }
    QSaveFile file(path);
    errno = 0;
    if (file.open(QIODevice::WriteOnly)) {
        if (file.write(bytes) == bytes.size() && file.commit()) {
            return true;
        }
    }
    const int reason = errno != 0 ? errno : EIO;
    file.cancelWriting();
    *error = QStringLiteral("%1: %2").arg(path, platform::ErrorText(reason));
    return false;
}

}  // namespace vindelor::brusko
