#include "viewer/logexport.h"

#include "shared/texts.h"
#include "viewer/logrows.h"

#include <QSaveFile>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>

namespace vindelor::brusko {
namespace {

QString DateField(const DatedLogLine& line) {
    return line.date.toString(Qt::ISODate);
}

QString StartField(const DatedLogLine& line) {
    return line.start.isValid() ? line.start.toString(QStringLiteral("HH:mm:ss")) : QString();
}

// Four decimals as the log keeps them, always with a point whatever the locale.
QString CostNumber(double cost) {
    return QString::number(std::isfinite(cost) ? cost : 0.0, 'f', 4);
}

QString Own(int n) {
    return Text(kOwnTextBase + n);
}

}  // namespace

QString CsvField(const QString& text) {
    static const QString kSpecial = QStringLiteral(",\"\r\n");
    bool quote = false;
    for (const QChar c : text) {
        if (kSpecial.contains(c)) {
            quote = true;
            break;
        }
    }
    if (!quote) {
        return text;
    }
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString JsonString(const QString& text) {
    QString s;
    s.reserve(text.size() + 2);
    s += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
            case '"':
                s += QLatin1String("\\\"");
                break;
            case '\\':
                s += QLatin1String("\\\\");
                break;
            case '\n':
                s += QLatin1String("\\n");
                break;
            case '\r':
                s += QLatin1String("\\r");
                break;
            case '\t':
                s += QLatin1String("\\t");
                break;
            default:
                if (c.unicode() < 0x20) {
                    s += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
                } else {
                    s += c;
                }
        }
    }
    s += QLatin1Char('"');
    return s;
}

QString ExportCsv(const std::vector<DatedLogLine>& lines) {
    QString out;
    out.reserve(static_cast<qsizetype>(lines.size()) * 48 + 40);
    out += QLatin1String("key,date,start,duration,failed,cost\r\n");
    for (const DatedLogLine& line : lines) {
        const QString fields[] = {
            QString::number(line.key),
            DateField(line),
            StartField(line),
            line.failed ? QString() : QString::number(line.seconds),
            line.failed ? QStringLiteral("1") : QStringLiteral("0"),
            CostNumber(line.cost),
        };
        for (int i = 0; i < 6; ++i) {
            if (i > 0) {
                out += QLatin1Char(',');
            }
            out += CsvField(fields[i]);
        }
        out += QLatin1String("\r\n");
    }
    return out;
}

QString ExportJson(const std::vector<DatedLogLine>& lines) {
    if (lines.empty()) {
        return QStringLiteral("[]\n");
    }
    QString out;
    out.reserve(static_cast<qsizetype>(lines.size()) * 110 + 4);
    out += QLatin1String("[\n");
    bool first = true;
    for (const DatedLogLine& line : lines) {
        if (!first) {
            out += QLatin1String(",\n");
        }
        first = false;
        const QString start = StartField(line);
        out += QLatin1String("  {\"key\": ") + QString::number(line.key) +
               QLatin1String(", \"date\": ") + JsonString(DateField(line)) +
               QLatin1String(", \"start\": ") +
               (start.isEmpty() ? QStringLiteral("null") : JsonString(start)) +
               QLatin1String(", \"duration\": ") +
               (line.failed ? QStringLiteral("null") : QString::number(line.seconds)) +
               QLatin1String(", \"failed\": ") +
               (line.failed ? QLatin1String("true") : QLatin1String("false")) +
               QLatin1String(", \"cost\": ") + CostNumber(line.cost) + QLatin1Char('}');
    }
    out += QLatin1String("\n]\n");
    return out;
}

QString ShownCost(double cost) {
    return RecountCostText(cost).trimmed();
}

QString MonthsTableText(const std::vector<MonthSummary>& months) {
    std::vector<QStringList> rows;
    rows.reserve(months.size() + 1);
    rows.push_back({Own(kTextMonthColumnStart), Own(kTextMonthColumnSessions),
                    Own(kTextMonthColumnFailed), Own(kTextMonthColumnNetTime),
                    Own(kTextMonthColumnCost)});
    for (const MonthSummary& m : months) {
        rows.push_back({m.month.first.toString(Qt::ISODate), QString::number(m.sessions),
                        QString::number(m.failedTries), NetTimeText(m.seconds), ShownCost(m.cost)});
    }
    int widths[5] = {};
    for (const QStringList& row : rows) {
        for (int i = 0; i < 5; ++i) {
            widths[i] = std::max(widths[i], static_cast<int>(row[i].size()));
        }
    }
    QString out;
    for (const QStringList& row : rows) {
        QString line = row[0].leftJustified(widths[0]);
        for (int i = 1; i < 5; ++i) {
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

bool WriteTextFile(const QString& path, const QString& text, QString* error) {
    QSaveFile file(path);
    errno = 0;
    if (file.open(QIODevice::WriteOnly)) {
        const QByteArray bytes = text.toUtf8();
        if (file.write(bytes) == bytes.size() && file.commit()) {
            return true;
        }
    }
    const int reason = errno != 0 ? errno : EIO;
    file.cancelWriting();
    *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(reason)));
    return false;
}

}  // namespace vindelor::brusko
