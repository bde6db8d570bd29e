#include "viewer/xlsxexport.h"

#include "core/money.h"
#include "core/texts.h"
#include "platform/localetexts.h"
#include "viewer/logexport.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace vindelor::brusko {
namespace {

constexpr int kColumns = 6;            // key, date, start, net time, failed try, cost
constexpr int kPlanColumn = kColumns;  // after them, when the plans are named
constexpr double kSecondsPerDay = 86400.0;

// Spreadsheet day numbers count from 1899-12-30; before March 1900 they disagree with
// the calendar (the 1900 leap day that never was), so such dates go in as text.
const QDate kEpoch(1899, 12, 30);
const QDate kFirstTrueSerial(1900, 3, 1);

struct WorkbookCloser {
    void operator()(lxw_workbook* book) const { workbook_close(book); }
};

QString ColumnRange(char column, int lastRow) {
    return QStringLiteral("%1%2:%1%3").arg(QLatin1Char(column)).arg(2).arg(lastRow);
}

// Characters of a cost shown with `decimals`: the prefix and its blank, the whole part
// with its group separators, the point and the decimals.
int MoneyChars(const QString& prefix, std::int64_t units, int decimals) {
    const int digits = static_cast<int>(QString::number(units / Money::kUnitsPerWhole).size());
    return static_cast<int>(prefix.isEmpty() ? 0 : prefix.size() + 1) + digits + (digits - 1) / 3 +
           1 + decimals;
}

// Widths in characters of the default font, as the texts will show: the spreadsheet
// does not size columns itself on opening.
struct Widths {
    int chars[kColumns + 1] = {};
    void Fit(int column, int length) { chars[column] = std::max(chars[column], length); }
};

// A plan's lines; `plan` null where no plan is named.
struct Part {
    const QString* plan;
    const std::vector<DatedLogLine>* lines;
};

bool Workbook(const std::vector<Part>& parts, const QString& currencyPrefix, QByteArray* workbook,
              QString* error);

}  // namespace

QByteArray MoneyNumberFormat(const QString& prefix, int decimals) {
    QByteArray format;
    if (!prefix.isEmpty()) {
        // Quoted text takes any character but the quote itself, which goes escaped.
        const QStringList parts = prefix.split(QLatin1Char('"'));
        for (qsizetype i = 0; i < parts.size(); ++i) {
            if (i > 0) {
                format += "\\\"";
            }
            if (!parts[i].isEmpty()) {
                format += '"' + parts[i].toUtf8() + '"';
            }
        }
        format += "\\ ";
    }
    format += "#,##0";
    if (decimals > 0) {
        format += '.' + QByteArray(decimals, '0');
    }
    return format;
}

bool ExportXlsx(const std::vector<DatedLogLine>& lines, const QString& currencyPrefix,
                QByteArray* workbook, QString* error) {
    return Workbook({{nullptr, &lines}}, currencyPrefix, workbook, error);
}

bool ExportPlansXlsx(const std::vector<PlanLog>& plans, QByteArray* workbook, QString* error) {
    std::vector<QString> titles;
    titles.reserve(plans.size());
    std::vector<Part> parts;
    for (const PlanLog& plan : plans) {
        titles.push_back(PlanTitle(plan.name));
    }
    for (size_t i = 0; i < plans.size(); ++i) {
        parts.push_back({&titles[i], &plans[i].log.lines});
    }
    return Workbook(parts, CommonCurrency(plans), workbook, error);
}

namespace {

bool Workbook(const std::vector<Part>& parts, const QString& currencyPrefix, QByteArray* workbook,
              QString* error) {
    const bool named = !parts.empty() && parts.front().plan != nullptr;
    const int columns = named ? kColumns + 1 : kColumns;
    // The library writes a whole file at close; it is built aside and handed over as
    // bytes, so the user's file is replaced in one step like the other exports.
    // The library writes its numbers with printf, in the "C" numbers every program keeps
    // (platform::KeepClassicNumbers).
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        *error = scratch.errorString();
        return false;
    }
    const QByteArray path = QFile::encodeName(scratch.filePath(QStringLiteral("log.xlsx")));
    QByteArray tmpdir = QFile::encodeName(scratch.path());
    lxw_workbook_options options{};
    options.tmpdir = tmpdir.data();
    std::unique_ptr<lxw_workbook, WorkbookCloser> book(
        workbook_new_opt(path.constData(), &options));
    if (!book) {
        *error = QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(path),
                                              QStringLiteral("libxlsxwriter"));
        return false;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(book.get(), "Vindelor");

    lxw_format* header = workbook_add_format(book.get());
    format_set_bold(header);
    format_set_bottom(header, LXW_BORDER_THIN);
    lxw_format* date = workbook_add_format(book.get());
    format_set_num_format_index(date, 14);  // the reader's own short date
    lxw_format* time = workbook_add_format(book.get());
    format_set_num_format(time, "hh:mm:ss");
    lxw_format* duration = workbook_add_format(book.get());
    format_set_num_format(duration, "[h]:mm:ss");
    lxw_format* cost = workbook_add_format(book.get());
    const QByteArray lineMoney = MoneyNumberFormat(currencyPrefix, 4);
    format_set_num_format(cost, lineMoney.constData());
    lxw_format* totalLabel = workbook_add_format(book.get());
    format_set_bold(totalLabel);
    format_set_top(totalLabel, LXW_BORDER_THIN);
    lxw_format* totalDuration = workbook_add_format(book.get());
    format_set_bold(totalDuration);
    format_set_top(totalDuration, LXW_BORDER_THIN);
    format_set_num_format(totalDuration, "[h]:mm:ss");
    lxw_format* totalCost = workbook_add_format(book.get());
    format_set_bold(totalCost);
    format_set_top(totalCost, LXW_BORDER_THIN);
    const QByteArray totalMoney = MoneyNumberFormat(currencyPrefix, 2);
    format_set_num_format(totalCost, totalMoney.constData());

    Widths widths;
    QStringList titles =
        Text(kOwnTextBase + kTextSheetColumns).split(QLatin1Char('\t'), Qt::KeepEmptyParts);
    while (titles.size() < kColumns) {
        titles.append(QString());
    }
    titles = titles.mid(0, kColumns);
    if (named) {
        titles.append(Text(kOwnTextBase + kTextPlanMenu));
    }
    for (int c = 0; c < columns; ++c) {
        worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), titles[c].toUtf8().constData(),
                               header);
        widths.Fit(c, static_cast<int>(titles[c].size()) + 2);  // room for the filter button
    }

    lxw_row_t row = 1;
    long long seconds = 0;
    Money total;  // the lines' costs as the CSV and JSON carry them, summed exactly
    bool empty = true;
    for (const Part& part : parts) {
        const QByteArray plan = named ? part.plan->toUtf8() : QByteArray();
        for (const DatedLogLine& line : *part.lines) {
            empty = false;
            if (named) {
                worksheet_write_string(sheet, row, kPlanColumn, plan.constData(), nullptr);
                widths.Fit(kPlanColumn, static_cast<int>(part.plan->size()));
            }
            worksheet_write_number(sheet, row, 0, line.key, nullptr);
            widths.Fit(0, static_cast<int>(QString::number(line.key).size()));
            if (line.date >= kFirstTrueSerial) {
                worksheet_write_number(sheet, row, 1, static_cast<double>(kEpoch.daysTo(line.date)),
                                       date);
            } else {
                worksheet_write_string(
                    sheet, row, 1, line.date.toString(Qt::ISODate).toUtf8().constData(), nullptr);
            }
            widths.Fit(1, 10);
            if (line.start.isValid()) {
                worksheet_write_number(
                    sheet, row, 2, line.start.msecsSinceStartOfDay() / 1000 / kSecondsPerDay, time);
            }
            widths.Fit(2, 8);
            if (!line.failed) {
                worksheet_write_number(
                    sheet, row, 3, static_cast<double>(line.seconds) / kSecondsPerDay, duration);
                seconds += line.seconds;
            }
            worksheet_write_boolean(sheet, row, 4, line.failed ? 1 : 0, nullptr);
            total += line.cost;
            worksheet_write_number(sheet, row, 5, line.cost.Value(), cost);
            widths.Fit(5, MoneyChars(currencyPrefix, line.cost.Units(), 4));
            ++row;
        }
    }

    // The totals: formulas, so that the sheet stays right when rows are changed there,
    // with the figures the other exports give as their stored results.
    const int lastLine = static_cast<int>(row);
    worksheet_write_string(sheet, row, 0, Text(kOwnTextBase + kTextSheetTotal).toUtf8().constData(),
                           totalLabel);
    widths.Fit(0, static_cast<int>(Text(kOwnTextBase + kTextSheetTotal).size()));
    for (lxw_col_t c = 1; c < 5; ++c) {
        if (c != 3) {
            worksheet_write_blank(sheet, row, c, totalLabel);
        }
    }
    const double totalDays = static_cast<double>(seconds) / kSecondsPerDay;
    const double totalMoneyValue = total.Value();
    if (empty) {
        worksheet_write_number(sheet, row, 3, 0, totalDuration);
        worksheet_write_number(sheet, row, 5, 0, totalCost);
    } else {
        const QByteArray sumTime =
            QStringLiteral("=SUM(%1)").arg(ColumnRange('D', lastLine)).toUtf8();
        const QByteArray sumCost =
            QStringLiteral("=SUM(%1)").arg(ColumnRange('F', lastLine)).toUtf8();
        worksheet_write_formula_num(sheet, row, 3, sumTime.constData(), totalDuration, totalDays);
        worksheet_write_formula_num(sheet, row, 5, sumCost.constData(), totalCost, totalMoneyValue);
    }
    widths.Fit(3, static_cast<int>(QString::number(seconds / 3600).size()) + 6);
    widths.Fit(5, MoneyChars(currencyPrefix, total.Units(), 2));

    if (named) {
        worksheet_write_blank(sheet, row, kPlanColumn, totalLabel);
    }
    for (int c = 0; c < columns; ++c) {
        worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                             widths.chars[c] + 2, nullptr);
    }
    worksheet_freeze_panes(sheet, 1, 0);
    worksheet_autofilter(sheet, 0, 0, static_cast<lxw_row_t>(std::max(lastLine - 1, 0)),
                         static_cast<lxw_col_t>(columns - 1));

    const lxw_error closed = workbook_close(book.release());
    if (closed != LXW_NO_ERROR) {
        *error = QString::fromUtf8(lxw_strerror(closed));
        return false;
    }
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    *workbook = file.readAll();
    return true;
}

}  // namespace

}  // namespace vindelor::brusko
