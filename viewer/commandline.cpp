#include "viewer/commandline.h"

#include "core/logsummary.h"
#include "core/plans.h"
#include "core/profile.h"
#include "core/texts.h"
#include "core/version.h"
#include "platform/errortext.h"
#include "viewer/logexport.h"
#include "viewer/logrows.h"
#include "viewer/logstore.h"
#include "viewer/xlsxexport.h"

#include <QFile>
#include <QIODevice>
#include <QTextStream>

#include <algorithm>
#include <cerrno>
#include <optional>

namespace vindelor::brusko {
namespace {

constexpr int kExitUsage = 2;
constexpr int kExitFailed = 1;
constexpr int kExitSessionOpen = 3;

QString Own(int n) {
    return Text(kOwnTextBase + n);
}

// The synopsis of --export and --months goes under the first synopsis line, lined up with
// its "brusko"; their options go before "--help, --version".
void Usage(QTextStream& s) {
    const QString usage = Own(kTextViewerUsage);
    const int firstEnd = static_cast<int>(usage.indexOf(QLatin1Char('\n')));
    const QString first = firstEnd < 0 ? usage : usage.left(firstEnd);
    const QString indent(std::max(0, static_cast<int>(first.indexOf(QLatin1String("brusko")))),
                         QLatin1Char(' '));
    s << first << '\n';
    for (const QString& line : Own(kTextViewerUsageMore).split(QLatin1Char('\n'))) {
        s << indent << line << '\n';
    }
    if (firstEnd >= 0) {
        s << usage.mid(firstEnd + 1) << '\n';
    }
    const QString options = Own(kTextViewerOptions);
    const int lastLine = static_cast<int>(options.lastIndexOf(QLatin1Char('\n')));
    s << '\n'
      << options.left(lastLine + 1) << Own(kTextViewerOptionsMore) << '\n'
      << Own(kTextPlanOption) << '\n'
      << Own(kTextAllPlansOption) << '\n'
      << options.mid(lastLine + 1) << '\n';
}

int UsageError(QTextStream& err, const QString& reason) {
    err << "brusko: " << reason << '\n';
    Usage(err);
    return kExitUsage;
}

// A date as YYYY-MM-DD and nothing else.
bool ReadIsoDate(const QString& text, QDate* date) {
    *date = text.size() == 10 ? QDate::fromString(text, Qt::ISODate) : QDate();
    return date->isValid();
}

// Whether what went to `out` reached its file: a full disk or a closed pipe behind
// standard output must not pass for a written table.
int Delivered(QTextStream& out, QTextStream& err) {
    errno = 0;
    out.flush();
    bool written = out.status() == QTextStream::Ok;
    if (auto* file = qobject_cast<QFile*>(out.device())) {
        written = file->flush() && written;
    }
    if (written) {
        return 0;
    }
    err << "brusko: "
        << Own(kTextStdoutNotWritten).arg(platform::ErrorText(errno != 0 ? errno : EIO)) << '\n';
    return kExitFailed;
}

// --export csv|json|xlsx and --months, each with --from, --to, --all-plans (and --output
// for the export), every one at most once.
int RunAnalysis(const QStringList& args, QTextStream& out, QTextStream& err) {
    const bool exporting = args.first() == QLatin1String("--export");
    int i = 1;
    QString format;
    if (exporting) {
        if (args.size() < 2) {
            Usage(err);
            return kExitUsage;
        }
        format = args[1];
        if (format != QLatin1String("csv") && format != QLatin1String("json") &&
            format != QLatin1String("xlsx")) {
            return UsageError(err, Own(kTextUnknownFormat).arg(args[1]));
        }
        i = 2;
    }
    QDate from;
    QDate to;
    QString output;
    QStringList seen;
    bool allPlans = false;
    for (; i < args.size(); i += 2) {
        const QString& name = args[i];
        if (name == QLatin1String("--all-plans") && !allPlans) {
            allPlans = true;
            --i;  // a switch, without a value
            continue;
        }
        const bool known = name == QLatin1String("--from") || name == QLatin1String("--to") ||
                           (exporting && name == QLatin1String("--output"));
        if (!known || seen.contains(name)) {
            return UsageError(err, Own(kTextUnknownOption).arg(name));
        }
        seen.append(name);
        if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
            Usage(err);
            return kExitUsage;
        }
        const QString& value = args[i + 1];
        if (name == QLatin1String("--output")) {
            output = value;
        } else if (!ReadIsoDate(value, name == QLatin1String("--from") ? &from : &to)) {
            return UsageError(err, Own(kTextNotADate).arg(value));
        }
    }

    std::vector<PlanLog> plans = allPlans ? LoadPlanLogs() : std::vector<PlanLog>{LoadPlanLog()};
    for (PlanLog& plan : plans) {
        if (!plan.log.undated.empty()) {
            err << "brusko: "
                << (allPlans ? PlanTitle(plan.name) + QStringLiteral(": ") : QString())
                << UndatedNotice(plan.log.undated) << '\n';
        }
        plan.log.lines = LinesBetween(plan.log.lines, from, to);
    }
    const PlanLog& only = plans.front();
    if (!exporting) {
        out << (allPlans ? PlanMonthsTableText(SummarisePlanMonths(plans))
                         : MonthsTableText(SummariseMonths(only.log.lines, only.startDay)));
        return Delivered(out, err);
    }
    QByteArray text;
    QString error;
    if (format == QLatin1String("xlsx")) {
        if (!(allPlans ? ExportPlansXlsx(plans, &text, &error)
                       : ExportXlsx(only.log.lines, only.currencyPrefix, &text, &error))) {
            err << "brusko: " << Own(kTextExportNotWritten).arg(error) << '\n';
            return kExitFailed;
        }
    } else {
        const bool json = format == QLatin1String("json");
        text = allPlans ? (json ? ExportPlansJson(plans) : ExportPlansCsv(plans))
                        : (json ? ExportJson(only.log.lines) : ExportCsv(only.log.lines));
    }
    if (output.isEmpty()) {
        // Standard output takes the bytes as they are; a stream on a string (tests) the text.
        if (QIODevice* device = out.device()) {
            out.flush();
            if (device->write(text) != text.size()) {
                errno = errno != 0 ? errno : EIO;
                err << "brusko: " << Own(kTextStdoutNotWritten).arg(platform::ErrorText(errno))
                    << '\n';
                return kExitFailed;
            }
        } else {
            out << QString::fromUtf8(text);
        }
        return Delivered(out, err);
    }
    if (!WriteTextFile(output, text, &error)) {
        err << "brusko: " << Own(kTextExportNotWritten).arg(error) << '\n';
        return kExitFailed;
    }
    return 0;
}

void PrintTotals(QTextStream& out, const QString& label1, const QString& label2, bool costShown) {
    out << Text(29) << ": " << label1 << '\n';
    if (costShown) {
        out << Text(30) << ": " << label2 << '\n';
    }
}

}  // namespace

int RunCommandLine(const QStringList& given, QTextStream& out, QTextStream& err) {
    if (given.isEmpty()) {
        return -1;
    }
    // Messages and help follow the language the user chose for the programs; a plan
    // named goes first, before anything reads a file, and speaks its own.
    SelectStoredLanguage();
    QStringList args = given;
    const PlanOption plan = TakePlanOption(&args);
    if (plan.valueMissing) {
        return UsageError(err, Own(kTextBadPlanName).arg(QString()));
    }
    if (plan.given) {
        switch (OpenPlan(plan.name, MakeMissingPlan::No)) {
            case PlanOpening::Opened:
            case PlanOpening::Created:
                SelectStoredLanguage();
                break;
            case PlanOpening::Missing:
                err << "brusko: " << Own(kTextNoSuchPlan).arg(plan.name) << '\n';
                return kExitUsage;
            case PlanOpening::BadName:
            case PlanOpening::NotMade:
                err << "brusko: " << Own(kTextBadPlanName).arg(plan.name) << '\n';
                return kExitUsage;
        }
    }
    if (args.isEmpty()) {
        return -1;  // the plan's window
    }
    const QString& option = args.first();
    if (option == QLatin1String("--export") || option == QLatin1String("--months")) {
        return RunAnalysis(args, out, err);
    }
    const int expected = option == QLatin1String("--delete") ? 2 : 1;
    if (args.size() != expected) {
        Usage(err);
        return kExitUsage;
    }
    if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
        Usage(out);
        return 0;
    }
    if (option == QLatin1String("--version")) {
        out << "brusko " << VINDELOR_DISPLAY_VERSION << '\n';
        return 0;
    }
    if (option != QLatin1String("--list") && option != QLatin1String("--delete") &&
        option != QLatin1String("--recalculate")) {
        err << "brusko: " << Own(kTextUnknownOption).arg(option) << '\n';
        Usage(err);
        return kExitUsage;
    }

    // A recount stores totals for the log as listed: listing and recount go under one
    // lock, or a session closing in between would drop out of the stored cost.
    std::optional<ProfileLock> recountLock;
    if (option == QLatin1String("--recalculate")) {
        recountLock.emplace();
    }
    const Listing listing = LoadListing();
    if (!listing.keptTemporary.isEmpty()) {
        err << "brusko: " << Own(kTextOldTemporaryKept).arg(listing.keptTemporary) << '\n';
    }

    if (option == QLatin1String("--list")) {
        for (const QString& line : listing.clipboard) {
            out << line << '\n';
        }
        PrintTotals(out, listing.label1, listing.label2, listing.costFrameVisible);
        return Delivered(out, err);
    }

    if (option == QLatin1String("--recalculate")) {
        const RecountResult r = RecalculateTotals(listing.rows, listing.currencyPrefix);
        if (!r.error.isEmpty()) {
            err << "brusko: " << Own(kTextTotalsNotSaved).arg(r.error) << '\n';
            return kExitFailed;
        }
        out << Text(30) << ": " << r.label2 << '\n';
        out << Own(kTextFailedTries).arg(r.failedTries) << '\n';
        return Delivered(out, err);
    }

    std::vector<int> rows;
    QString error;
    if (!ParseRowList(args[1], static_cast<int>(listing.lines.size()), &rows, &error)) {
        err << "brusko: " << error << '\n';
        return kExitUsage;
    }
    if (SessionOpen()) {
        err << Text(36) << '\n';
        return kExitSessionOpen;
    }
    const DeleteResult r = DeleteRows(listing.lines, rows);
    switch (r.status) {
        case DeleteStatus::SessionOpen:
            err << Text(36) << '\n';
            return kExitSessionOpen;
        case DeleteStatus::Failed:
            err << "brusko: " << Own(kTextLogNotChanged).arg(r.error) << '\n';
            return kExitFailed;
        case DeleteStatus::Deleted:
            break;
    }
    if (!r.keptTemporary.isEmpty()) {
        err << "brusko: " << Own(kTextOldTemporaryKept).arg(r.keptTemporary) << '\n';
    }
    if (r.stale > 0) {
        err << "brusko: " << Own(kTextLinesKept).arg(r.stale) << '\n';
    }
    out << Own(kTextLinesDeleted).arg(r.removed).arg(listing.lines.size()) << '\n';
    if (!r.totalsError.isEmpty()) {
        // The lines are gone; the totals on file are the old ones.
        err << "brusko: " << Own(kTextTotalsNotSaved).arg(r.totalsError) << '\n';
        return kExitFailed;
    }
    const QString label2 = r.label2Changed ? r.label2 : listing.label2;
    PrintTotals(out, r.label1, label2, listing.costFrameVisible && !label2.isEmpty());
    return Delivered(out, err);
}

}  // namespace vindelor::brusko
