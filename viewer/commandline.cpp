#include "viewer/commandline.h"

#include "shared/profile.h"
#include "shared/texts.h"
#include "viewer/logrows.h"
#include "viewer/logstore.h"

#include <QTextStream>

#include <optional>

#ifndef VINDELOR_VERSION
#define VINDELOR_VERSION "1.12"
#endif

namespace vindelor::brusko {
namespace {

constexpr int kExitUsage = 2;
constexpr int kExitFailed = 1;
constexpr int kExitSessionOpen = 3;

void Usage(QTextStream& s) {
    s << Text(kOwnTextBase + kTextViewerUsage) << "\n\n"
      << Text(kOwnTextBase + kTextViewerOptions) << '\n';
}

QString Own(int n) {
    return Text(kOwnTextBase + n);
}

void PrintTotals(QTextStream& out, const QString& label1, const QString& label2, bool costShown) {
    out << Text(29) << ": " << label1 << '\n';
    if (costShown) {
        out << Text(30) << ": " << label2 << '\n';
    }
}

}  // namespace

int RunCommandLine(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.isEmpty()) {
        return -1;
    }
    // Messages and help follow the language the user chose for the programs.
    SelectStoredLanguage();
    const QString& option = args.first();
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
        out << "brusko " << VINDELOR_VERSION << '\n';
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
        return 0;
    }

    if (option == QLatin1String("--recalculate")) {
        const RecountResult r = RecalculateTotals(listing.rows, listing.currencyPrefix);
        if (!r.error.isEmpty()) {
            err << "brusko: " << Own(kTextTotalsNotSaved).arg(r.error) << '\n';
            return kExitFailed;
        }
        out << Text(30) << ": " << r.label2 << '\n';
        out << Own(kTextFailedTries).arg(r.failedTries) << '\n';
        return 0;
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
    return 0;
}

}  // namespace vindelor::brusko
