// Profile service on a full log of 31,999 lines: reading every line key by key, appending
// one line, rewriting without every second line, and the same key-by-key read through a
// reader that parses the whole file on every call (how the classic service behaved).
//
//   bench_profile [--full-naive]
//
// The naive reader is timed on an evenly spread sample of keys and scaled to the whole
// log unless --full-naive is given (the full run takes minutes).
#include "core/profile.h"
#include "core/sessionlog.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using vindelor::kLogFile;
using vindelor::kLogSection;

constexpr int kLines = vindelor::kLogClassicLimit;
constexpr int kRuns = 5;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double TimeMs(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return Ms(Clock::now() - start);
}

// Processor time of this process: the figure that does not depend on how busy the
// machine's other processes keep the processors.
double CpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::vector<std::pair<QString, QString>> FullLog() {
    std::vector<std::pair<QString, QString>> entries;
    entries.reserve(kLines);
    for (int n = 1; n <= kLines; ++n) {
        const int h = n % 5;
        entries.emplace_back(
            QString::number(n),
            vindelor::BuildLogLine(QStringLiteral("06.12.1999"), QStringLiteral("14:05:09"),
                                   QStringLiteral("0%1:12:00").arg(h), 1.2 * h));
    }
    return entries;
}

// Parses the whole file on every call: open, read, split, find the section, find the key.
QString NaiveRead(const QString& path, const QByteArray& section, const QByteArray& key,
                  const QByteArray& def) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString::fromLatin1(def);
    const QByteArray bytes = f.readAll();
    bool inSection = false;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            const int close = line.indexOf(']');
            inSection = line.mid(1, close - 1).trimmed().toLower() == section.toLower();
            continue;
        }
        if (!inSection)
            continue;
        const int eq = line.indexOf('=');
        if (eq > 0 && line.left(eq).trimmed().toLower() == key.toLower()) {
            return QString::fromLatin1(line.mid(eq + 1).trimmed().left(49));
        }
    }
    return QString::fromLatin1(def);
}

}  // namespace

int main(int argc, char** argv) {
    const bool fullNaive = argc > 1 && std::strcmp(argv[1], "--full-naive") == 0;
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary directory\n");
        return 1;
    }
    qputenv("VINDELOR_DIR", QFile::encodeName(dir.path()));
    const auto entries = FullLog();

    const double buildMs =
        TimeMs([&] { vindelor::WriteProfileSection(kLogSection, entries, kLogFile); });
    const qint64 size = QFile(dir.filePath(kLogFile)).size();
    std::printf("log of %d lines, %lld bytes, written in %.1f ms\n", kLines,
                static_cast<long long>(size), buildMs);

    // Key by key through GetProfileString, first from a cold cache (one parse), then warm.
    int count = 0;
    auto readAll = [&count] {
        count = 0;
        for (int n = 1;; ++n) {
            const QString line = vindelor::GetProfileString(kLogSection, QString::number(n),
                                                            QStringLiteral("#"), 50, kLogFile);
            if (line == QLatin1String("#"))
                break;
            ++count;
        }
    };
    vindelor::ClearProfileCache();
    const double coldMs = TimeMs(readAll);
    if (count != kLines) {
        std::fprintf(stderr, "read %d lines, expected %d\n", count, kLines);
        return 1;
    }
    std::vector<double> warm;
    std::vector<double> warmCpu;
    for (int i = 0; i < kRuns; ++i) {
        const double cpuStart = CpuMs();
        warm.push_back(TimeMs(readAll));
        warmCpu.push_back(CpuMs() - cpuStart);
    }
    std::vector<double> walk;
    for (int i = 0; i < kRuns; ++i) {
        walk.push_back(TimeMs([&] { count = static_cast<int>(vindelor::ReadLogLines().size()); }));
    }
    std::printf(
        "read all key by key:     cold %.1f ms, warm median %.1f ms, processor time %.1f ms "
        "(target < 100 ms)\n",
        coldMs, Median(warm), Median(warmCpu));
    std::printf("ReadLogLines (snapshot): median %.1f ms\n", Median(walk));

    std::vector<double> appends;
    for (int i = 0; i < kRuns; ++i) {
        appends.push_back(TimeMs([&] {
            if (vindelor::AppendLogLine(QStringLiteral("06.12.1999 14:05:09-00:01:00^   0.5000")) !=
                kLines + 1 + i) {
                std::fprintf(stderr, "append went to an unexpected key\n");
            }
        }));
    }
    std::printf("append one line:         median %.1f ms, max %.1f ms (target < 50 ms)\n",
                Median(appends), *std::max_element(appends.begin(), appends.end()));

    std::vector<double> rewrites;
    for (int i = 0; i < kRuns; ++i) {
        vindelor::WriteProfileSection(kLogSection, entries, kLogFile);
        rewrites.push_back(TimeMs([&] {
            vindelor::ProfileLock lock;
            const QStringList lines = vindelor::ReadLogLines();
            QStringList kept;
            for (int n = 0; n < lines.size(); n += 2)
                kept.append(lines[n]);
            vindelor::RewriteLog(kept);
        }));
    }
    std::printf(
        "rewrite without every second line (read + rewrite): median %.1f ms (target < 1000 ms)\n",
        Median(rewrites));

    // The naive reader, on the full log again.
    vindelor::WriteProfileSection(kLogSection, entries, kLogFile);
    const QString path = dir.filePath(kLogFile);
    const QByteArray section = QByteArray("N\xE4ttid");
    const int step = fullNaive ? 1 : 100;
    int sampled = 0;
    const double naiveSampleMs = TimeMs([&] {
        for (int n = 1; n <= kLines; n += step) {
            if (NaiveRead(path, section, QByteArray::number(n), "#") == QLatin1String("#")) {
                std::fprintf(stderr, "naive reader missed key %d\n", n);
            }
            ++sampled;
        }
    });
    const double naiveMs = naiveSampleMs / sampled * kLines;
    std::printf("naive read all key by key: %.0f ms (%s, %d keys timed, %.2f ms per key)\n",
                naiveMs, fullNaive ? "measured" : "scaled from a sample", sampled,
                naiveSampleMs / sampled);
    std::printf("ratio naive / cached (warm): %.0f x\n", naiveMs / Median(warm));
    return 0;
}
