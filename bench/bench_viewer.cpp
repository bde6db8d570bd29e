// Times the log viewer on a full log of 31,999 lines: filling the listing as the window
// and "brusko --list" do, opening the window, the months table and the exports, and
// deleting every second line.
// Prints figures; it does not pass or fail.
#include "core/billing.h"
#include "core/logsummary.h"
#include "core/profile.h"
#include "core/sessionlog.h"
#include "viewer/commandline.h"
#include "viewer/logexport.h"
#include "viewer/logstore.h"
#include "viewer/mainform.h"

#include <QApplication>
#include <QFileInfo>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double ProcessorMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Figures {
    double best = 0;
    double median = 0;
    double worst = 0;
    double processor = 0;  // median processor time: what a machine busy with others hides
};

Figures Repeat(int runs, const std::function<void()>& prepare, const std::function<void()>& work) {
    std::vector<double> times;
    std::vector<double> processor;
    for (int i = 0; i < runs; ++i) {
        prepare();
        const auto start = Clock::now();
        const double startProcessor = ProcessorMilliseconds();
        work();
        processor.push_back(ProcessorMilliseconds() - startProcessor);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::sort(processor.begin(), processor.end());
    return {times.front(), times[times.size() / 2], times.back(), processor[processor.size() / 2]};
}

void Report(const char* what, const Figures& f, double budget) {
    std::printf(
        "%-44s best %8.1f ms  median %8.1f ms  worst %8.1f ms  processor %8.1f ms  "
        "(budget %.0f ms: %s)\n",
        what, f.best, f.median, f.worst, f.processor, budget,
        f.median < budget ? "within" : "OVER");
}

QStringList FullLog() {
    QStringList lines;
    lines.reserve(vindelor::kLogClassicLimit);
    for (int i = 0; i < vindelor::kLogClassicLimit; ++i) {
        const int day = 1 + i % 28;
        const int month = 1 + (i / 28) % 12;
        const int seconds = i % 86400;
        if (i % 17 == 0) {
            lines.append(QStringLiteral("%1.%2.1999 %3:%4:%5-+FAILED+^   0.1500")
                             .arg(day, 2, 10, QLatin1Char('0'))
                             .arg(month, 2, 10, QLatin1Char('0'))
                             .arg(seconds / 3600 % 24, 2, 10, QLatin1Char('0'))
                             .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                             .arg(seconds % 60, 2, 10, QLatin1Char('0')));
        } else {
            lines.append(QStringLiteral("%1.%2.1999 %3:%4:%5-00:%6:00^%7")
                             .arg(day, 2, 10, QLatin1Char('0'))
                             .arg(month, 2, 10, QLatin1Char('0'))
                             .arg(seconds / 3600 % 24, 2, 10, QLatin1Char('0'))
                             .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                             .arg(seconds % 60, 2, 10, QLatin1Char('0'))
                             .arg(i % 60, 2, 10, QLatin1Char('0'))
                             .arg(0.1 * (i % 60), 9, 'f', 4));
        }
    }
    return lines;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
                                   ? QByteArray("offscreen")
                                   : qgetenv("QT_QPA_PLATFORM"));
    QTemporaryDir dir;
    qputenv("VINDELOR_DIR", dir.path().toLocal8Bit());
    QApplication app(argc, argv);
    using namespace vindelor;

    const QStringList log = FullLog();
    WriteProfileString(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.10"),
                       kSettingsFile);
    WriteProfileString(QStringLiteral("Aktiv"), QStringLiteral("Aktiv"), QStringLiteral("Nej"),
                       kSettingsFile);
    const auto putLog = [&log] {
        RewriteLog(log);
        ClearProfileCache();
    };
    putLog();
    std::printf("log: %lld lines, %lld bytes\n", static_cast<long long>(log.size()),
                static_cast<long long>(QFileInfo(dir.filePath(kLogFile)).size()));

    constexpr int kRuns = 7;
    const auto coldCache = [] { ClearProfileCache(); };

    Report("listing (start-up steps 2-5)",
           Repeat(kRuns, coldCache,
                  [] {
                      const brusko::Listing l = brusko::LoadListing();
                      if (l.rows.size() != vindelor::kLogClassicLimit) {
                          std::fprintf(stderr, "listing has %lld rows\n",
                                       static_cast<long long>(l.rows.size()));
                      }
                  }),
           300);

    Report("brusko --list (to memory)",
           Repeat(kRuns, coldCache,
                  [] {
                      QString text;
                      QTextStream out(&text);
                      QTextStream err(stderr);
                      brusko::RunCommandLine({QStringLiteral("--list")}, out, err);
                  }),
           300);

    Report("window opening (created, shown, painted)",
           Repeat(kRuns, coldCache,
                  [] {
                      brusko::TForm1 form;
                      form.show();
                      QCoreApplication::processEvents();
                      if (form.ListBox1->count() != vindelor::kLogClassicLimit) {
                          std::fprintf(stderr, "window lists %d rows\n", form.ListBox1->count());
                      }
                  }),
           300);

    // The months table and the exports of the listed lines, as the window makes them from
    // the lines it holds: date, sum or format.
    const QStringList listed = brusko::LoadLogLines();
    const QString format = brusko::LogDateFormat();
    const auto none = [] {};
    const auto expect = [](const QByteArray& text, int lines) {
        if (text.count('\n') < lines) {
            std::fprintf(stderr, "%d lines where %d were due\n", static_cast<int>(text.count('\n')),
                         lines);
        }
    };
    Report("months table of the listed lines",
           Repeat(kRuns, none,
                  [&] {
                      const DatedLog dated = DateLogLines(listed, format);
                      expect(brusko::MonthsTableText(SummariseMonths(dated.lines, 1)).toUtf8(), 13);
                  }),
           100);
    Report("CSV export of the listed lines",
           Repeat(kRuns, none,
                  [&] {
                      expect(brusko::ExportCsv(DateLogLines(listed, format).lines),
                             vindelor::kLogClassicLimit + 1);
                  }),
           100);
    Report("JSON export of the listed lines",
           Repeat(kRuns, none,
                  [&] {
                      expect(brusko::ExportJson(DateLogLines(listed, format).lines),
                             vindelor::kLogClassicLimit + 2);
                  }),
           100);

    // The same from the command line: the log file read from a cold cache first, as the
    // listing above reads it.
    const auto commandLine = [](const QStringList& args) {
        return [args] {
            QString text;
            QTextStream out(&text);
            QString errors;
            QTextStream err(&errors);
            if (brusko::RunCommandLine(args, out, err) != 0 || !errors.isEmpty() ||
                text.isEmpty()) {
                std::fprintf(stderr, "%s failed: %s\n", qPrintable(args.join(QLatin1Char(' '))),
                             qPrintable(errors));
            }
        };
    };
    Report("brusko --months (to memory)",
           Repeat(kRuns, coldCache, commandLine({QStringLiteral("--months")})), 300);
    // The exports as a user makes them: written to a file.
    const QString exported = dir.filePath(QStringLiteral("export"));
    const auto exportTo = [&](const char* format) {
        return [&, format] {
            QString text;
            QTextStream out(&text);
            QString errors;
            QTextStream err(&errors);
            if (brusko::RunCommandLine({QStringLiteral("--export"), QString::fromLatin1(format),
                                        QStringLiteral("--output"), exported},
                                       out, err) != 0 ||
                !errors.isEmpty() || QFileInfo(exported).size() < vindelor::kLogClassicLimit) {
                std::fprintf(stderr, "export %s failed: %s\n", format, qPrintable(errors));
            }
        };
    };
    Report("brusko --export csv --output FILE", Repeat(kRuns, coldCache, exportTo("csv")), 300);
    Report("brusko --export json --output FILE", Repeat(kRuns, coldCache, exportTo("json")), 300);

    std::vector<int> everySecond;
    for (int i = 1; i < log.size(); i += 2) {
        everySecond.push_back(i);
    }
    Report("deleting every second line",
           Repeat(kRuns, putLog,
                  [&] {
                      const brusko::DeleteResult r = brusko::DeleteRows(log, everySecond);
                      if (r.status != brusko::DeleteStatus::Deleted ||
                          r.removed != static_cast<int>(everySecond.size())) {
                          std::fprintf(stderr, "deletion failed: %s\n", qPrintable(r.error));
                      }
                  }),
           1000);
    return 0;
}
