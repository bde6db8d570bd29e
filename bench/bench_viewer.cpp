// Times the log viewer on a full log of 31,999 lines: filling the listing as the window
// and "brusko --list" do, opening the window, and deleting every second line.
// Prints figures; it does not pass or fail.
#include "shared/profile.h"
#include "shared/sessionlog.h"
#include "viewer/commandline.h"
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
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Figures {
    double best = 0;
    double median = 0;
    double worst = 0;
};

Figures Repeat(int runs, const std::function<void()>& prepare, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        prepare();
        times.push_back(Milliseconds(work));
    }
    std::sort(times.begin(), times.end());
    return {times.front(), times[times.size() / 2], times.back()};
}

void Report(const char* what, const Figures& f, double budget) {
    std::printf("%-44s best %8.1f ms  median %8.1f ms  worst %8.1f ms  (budget %.0f ms: %s)\n",
                what, f.best, f.median, f.worst, budget, f.median < budget ? "within" : "OVER");
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
