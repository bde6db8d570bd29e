#include "core/profile.h"

#include "platform/atomicfile.h"
#include "platform/cp1252.h"
#include "platform/datadir.h"
#include "platform/files.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <mutex>
#include <thread>

#include <sys/stat.h>

namespace vindelor {

// The parsed form of one file. Lines are kept as their raw bytes so that a write can put
// back every line it does not change exactly as it was (comments, odd spacing, bytes
// that mean nothing to us). Names are indexed by their folded Windows-1252 bytes.
struct ParsedProfile {
    struct Section {
        int header = 0;  // line of "[name]"
        int end = 0;     // one past the section's last line (the next header or the end)
        // Keys "1" … "numberLimit" (the log's keys) are found by number, without hashing:
        // numbered[n] is the line of key n's first occurrence, or -1.
        long long numberLimit = 0;
        std::vector<int> numbered;
        QHash<QByteArray, int> keys;  // every other folded key -> line of its first occurrence
    };
    std::vector<QByteArray> lines;
    std::vector<Section> sections;
    QHash<QByteArray, int> sectionIndex;  // folded name -> first section of that name
};

namespace {

constexpr char kLockFileName[] = ".vindelor.lock";

// File times come from a clock that moves in ticks of a few milliseconds. A file
// changed twice within one tick, in place and to the same size, keeps its stamp; until
// its time is this far in the past the cache compares bytes instead of trusting it.
constexpr qint64 kUnsettledNs = 20'000'000;
// Some file systems keep whole seconds only (FAT keeps even ones; so do many network
// homes), and a time on them lies up to two seconds before the change it stands for. A
// time without a fraction of a second may be one of them: it is trusted only once it is
// that much older. On a fine-grained file system one time in a billion has no fraction,
// and costs no more than a comparison of bytes for two seconds.
constexpr qint64 kCoarseUnsettledNs = 2'000'000'000 + kUnsettledNs;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

QByteArray TrimRange(const QByteArray& bytes, qsizetype from, qsizetype to) {
    while (from < to && IsBlank(bytes[from]))
        ++from;
    while (to > from && IsBlank(bytes[to - 1]))
        --to;
    return bytes.mid(from, to - from);
}

QByteArray Trim(const QByteArray& bytes) {
    return TrimRange(bytes, 0, bytes.size());
}

bool IsBlankLine(const QByteArray& line) {
    for (char c : line) {
        if (!IsBlank(c))
            return false;
    }
    return true;
}

// A raw line break inside a name or value would start a new line of the file and so
// let one setting write another; it is stored as a blank.
QString WithoutBreaks(QString text) {
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

QByteArray EncodedName(const QString& name) {
    return Trim(cp1252::Encode(WithoutBreaks(name)));
}
// The same as Folded(EncodedName(name)) in one pass: every read folds two names.
QByteArray FoldedName(const QString& name) {
    QByteArray folded = cp1252::Encode(name);
    qsizetype from = 0;
    qsizetype to = 0;
    for (qsizetype i = 0; i < folded.size(); ++i) {
        char c = folded[i];
        if (c == '\r' || c == '\n')
            c = ' ';
        folded[i] = cp1252::FoldByte(c);
        if (!IsBlank(c)) {
            if (to == 0)
                from = i;
            to = i + 1;
        }
    }
    if (from > 0 || to < folded.size())
        folded = folded.mid(from, to - from);
    return folded;
}

// Names that cannot be stored without changing the file's structure are refused rather
// than written: a section name holding "]" would end its header early, a key holding
// "=" would be read back as a shorter key with part of the name in its value (and could
// so replace another key), and a key starting with "[" or ";" would read as a section
// header or a comment. Empty names cannot be found again.
bool StorableSectionName(const QByteArray& encoded) {
    return !encoded.isEmpty() && !encoded.contains(']');
}

bool StorableKeyName(const QByteArray& encoded) {
    return !encoded.isEmpty() && !encoded.contains('=') && encoded[0] != '[' && encoded[0] != ';';
}

std::vector<QByteArray> SplitLines(const QByteArray& bytes) {
    std::vector<QByteArray> lines;
    const char* p = bytes.constData();
    const qsizetype n = bytes.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char c = p[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.emplace_back(p + start, i - start);
        if (c == '\r' && i + 1 < n && p[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.emplace_back(p + start, n - start);
    return lines;
}

QByteArray Serialise(const std::vector<QByteArray>& lines) {
    qsizetype total = 0;
    for (const QByteArray& line : lines)
        total += line.size() + 2;
    QByteArray bytes;
    bytes.reserve(total);
    for (const QByteArray& line : lines) {
        bytes.append(line);
        bytes.append("\r\n", 2);
    }
    return bytes;
}

// The number a key spells in plain decimal ("1", "31999"; not "01", "+1" or " 1"), or -1.
long long CanonicalNumber(const char* digits, qsizetype size) {
    if (size == 0 || size > 9 || digits[0] == '0')
        return -1;
    long long n = 0;
    for (qsizetype i = 0; i < size; ++i) {
        if (digits[i] < '0' || digits[i] > '9')
            return -1;
        n = n * 10 + (digits[i] - '0');
    }
    return n;
}

int KeyLine(const ParsedProfile::Section& s, const QByteArray& folded) {
    const long long n = CanonicalNumber(folded.constData(), folded.size());
    if (n > 0 && n <= s.numberLimit) {
        return n < static_cast<long long>(s.numbered.size()) ? s.numbered[static_cast<size_t>(n)]
                                                             : -1;
    }
    const auto it = s.keys.constFind(folded);
    return it == s.keys.constEnd() ? -1 : *it;
}

void BuildIndex(ParsedProfile& p) {
    p.sections.clear();
    p.sectionIndex.clear();
    const int count = static_cast<int>(p.lines.size());
    for (int i = 0; i < count; ++i) {
        const QByteArray& line = p.lines[static_cast<size_t>(i)];
        qsizetype b = 0;
        while (b < line.size() && IsBlank(line[b]))
            ++b;
        if (b == line.size())
            continue;
        if (line[b] == '[') {
            if (!p.sections.empty())
                p.sections.back().end = i;
            qsizetype close = line.indexOf(']', b + 1);
            if (close < 0)
                close = line.size();
            const QByteArray folded = cp1252::Folded(TrimRange(line, b + 1, close));
            ParsedProfile::Section section;
            section.header = i;
            section.end = count;
            section.numberLimit = count;  // a section cannot hold more keys than the file has lines
            p.sections.push_back(std::move(section));
            if (!p.sectionIndex.contains(folded)) {
                p.sectionIndex.insert(folded, static_cast<int>(p.sections.size()) - 1);
            }
            continue;
        }
        // Lines before the first header, comments and lines without "=" are kept but
        // mean nothing.
        if (p.sections.empty() || line[b] == ';')
            continue;
        const qsizetype eq = line.indexOf('=', b);
        if (eq < 0)
            continue;
        qsizetype keyEnd = eq;
        while (keyEnd > b && IsBlank(line[keyEnd - 1]))
            --keyEnd;
        if (keyEnd == b)
            continue;
        ParsedProfile::Section& section = p.sections.back();
        const long long n = CanonicalNumber(line.constData() + b, keyEnd - b);
        if (n > 0 && n <= section.numberLimit) {
            if (static_cast<long long>(section.numbered.size()) <= n)
                section.numbered.resize(static_cast<size_t>(n) + 1, -1);
            int& at = section.numbered[static_cast<size_t>(n)];
            if (at < 0)
                at = i;
            continue;
        }
        const QByteArray key = cp1252::Folded(line.mid(b, keyEnd - b));
        if (!section.keys.contains(key))
            section.keys.insert(key, i);
    }
}

const ParsedProfile::Section* FindSection(const ParsedProfile& p, const QByteArray& folded) {
    const auto it = p.sectionIndex.constFind(folded);
    return it == p.sectionIndex.constEnd() ? nullptr : &p.sections[static_cast<size_t>(*it)];
}

int FindKeyLine(const ParsedProfile& p, const QString& section, const QString& key) {
    const ParsedProfile::Section* s = FindSection(p, FoldedName(section));
    if (s == nullptr)
        return -1;
    return KeyLine(*s, FoldedName(key));
}

QString ValueAt(const ParsedProfile& p, int at) {
    const QByteArray& line = p.lines[static_cast<size_t>(at)];
    const qsizetype eq = line.indexOf('=');
    qsizetype from = eq + 1;
    qsizetype to = line.size();
    while (from < to && IsBlank(line[from]))
        ++from;
    while (to > from && IsBlank(line[to - 1]))
        --to;
    return cp1252::Decode(line.constData() + from, to - from);
}

bool FindValue(const ParsedProfile& p, const QString& section, const QString& key, QString* value) {
    const int at = FindKeyLine(p, section, key);
    if (at < 0)
        return false;
    *value = ValueAt(p, at);
    return true;
}

QString CutToLength(const QString& text, int maxLength) {
    if (maxLength <= 1)
        return QString();
    return text.size() < maxLength ? text : text.left(maxLength - 1);
}

// One past the section's last non-blank line: where a new key goes, so that the blank
// lines that part it from the next section stay where they are.
int EndOfContent(const std::vector<QByteArray>& lines, const ParsedProfile::Section& s) {
    int at = s.end;
    while (at > s.header + 1 && IsBlankLine(lines[static_cast<size_t>(at - 1)]))
        --at;
    return at;
}

void AppendSection(std::vector<QByteArray>& lines, const QByteArray& encodedSection) {
    if (!lines.empty() && !IsBlankLine(lines.back()))
        lines.emplace_back();
    lines.push_back('[' + encodedSection + ']');
}

// --- where files are -------------------------------------------------------------------

struct Resolved {
    QString path;
    bool inDataDirectory = false;
    QByteArray native;
};

Resolved ResolveUncached(const QString& file) {
    if (!file.contains(QLatin1Char('/'))) {
        // Call sites spell the shared files with different letter case ("Vindelor.Ini");
        // on a case-sensitive file system they must still be the same file.
        QString name = file;
        for (const QString& known : {kSettingsFile, kLogFile, kLogTempFile}) {
            if (name.compare(known, Qt::CaseInsensitive) == 0)
                name = known;
        }
        const QString path = platform::DataFilePath(name);
        return {path, true, QFile::encodeName(path)};
    }
    const QString path = QFileInfo(file).absoluteFilePath();
    return {path, false, QFile::encodeName(path)};
}

QByteArray EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? QByteArray() : QByteArray(value);
}

// Reading the log key by key resolves the same name tens of thousands of times; the
// answer only changes with the name, the working directory (for a relative path) or the
// variables that choose the data directory.
Resolved Resolve(const QString& file) {
    struct Memo {
        QString file;
        QByteArray environment;
        Resolved resolved;
    };
    static std::mutex mutex;
    static Memo memo;
    const bool relative = file.contains(QLatin1Char('/')) && !file.startsWith(QLatin1Char('/'));
    if (relative)
        return ResolveUncached(file);
    QByteArray environment = EnvironmentValue("VINDELOR_DIR");
    environment += '\0';
    environment += EnvironmentValue("XDG_CONFIG_HOME");
    environment += '\0';
    environment += EnvironmentValue("HOME");
    std::lock_guard<std::mutex> guard(mutex);
    if (memo.file != file || memo.environment != environment) {
        memo.resolved = ResolveUncached(file);
        memo.file = file;
        memo.environment = std::move(environment);
    }
    return memo.resolved;
}

// --- the cache -------------------------------------------------------------------------

struct Stamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    qint64 mtimeNs = 0;
    bool operator==(const Stamp& o) const {
        return device == o.device && inode == o.inode && size == o.size && mtimeNs == o.mtimeNs;
    }
};

Stamp StampOf(const struct stat& st) {
    Stamp s;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.mtimeNs = static_cast<qint64>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    return s;
}

qint64 NowNs() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<qint64>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

struct CacheEntry {
    Stamp stamp;
    std::shared_ptr<const ParsedProfile> data;
    QByteArray bytes;  // kept only while the stamp is not yet settled
    bool settled = false;
};

constexpr int kMaxCachedFiles = 16;

std::mutex& CacheMutex() {
    static std::mutex m;
    return m;
}

QHash<QString, CacheEntry>& Cache() {
    static QHash<QString, CacheEntry> cache;
    return cache;
}

const std::shared_ptr<const ParsedProfile>& EmptyProfile() {
    static const std::shared_ptr<const ParsedProfile> empty = std::make_shared<ParsedProfile>();
    return empty;
}

std::shared_ptr<const ParsedProfile> Parse(const QByteArray& bytes) {
    auto parsed = std::make_shared<ParsedProfile>();
    parsed->lines = SplitLines(bytes);
    BuildIndex(*parsed);
    return parsed;
}

// Caller holds CacheMutex.
void Remember(const QString& path, const Stamp& stamp, std::shared_ptr<const ParsedProfile> data,
              const QByteArray& bytes, qint64 readStartNs) {
    QHash<QString, CacheEntry>& cache = Cache();
    if (!cache.contains(path) && cache.size() >= kMaxCachedFiles)
        cache.clear();
    CacheEntry& entry = cache[path];
    entry.stamp = stamp;
    entry.data = std::move(data);
    const bool coarse = stamp.mtimeNs % 1'000'000'000 == 0;
    entry.settled = readStartNs - stamp.mtimeNs > (coarse ? kCoarseUnsettledNs : kUnsettledNs);
    entry.bytes = entry.settled ? QByteArray() : bytes;
}

enum class LoadStatus { Missing, Ok, Error };

struct Loaded {
    LoadStatus status = LoadStatus::Missing;
    std::shared_ptr<const ParsedProfile> data;
    int error = 0;  // why the status is Error
};

Loaded Failure(int error) {
    // A missing file (or a missing directory on its path) reads as an empty one.
    const bool missing = error == ENOENT || error == ENOTDIR;
    return {missing ? LoadStatus::Missing : LoadStatus::Error, EmptyProfile(), error};
}

Loaded Load(const Resolved& where) {
    const QString& path = where.path;
    const QByteArray& native = where.native;
    std::lock_guard<std::mutex> guard(CacheMutex());
    QHash<QString, CacheEntry>& cache = Cache();
    const platform::FileStatus now = platform::StatusOf(native);
    if (now.error != 0) {
        cache.remove(path);
        return Failure(now.error);
    }
    const struct stat& st = now.status;
    if (!S_ISREG(st.st_mode)) {
        cache.remove(path);
        return Failure(EISDIR);
    }
    const qint64 readStart = NowNs();
    auto it = cache.find(path);
    const bool sameStamp = it != cache.end() && it->stamp == StampOf(st);
    if (sameStamp && it->settled)
        return {LoadStatus::Ok, it->data};

    // The status is taken after reading: if the file changed while it was read, its
    // time is recent and the next read looks again.
    platform::WholeFile read = platform::ReadWholeFile(native);
    if (read.error != 0) {
        cache.remove(path);
        return Failure(read.error);
    }
    const QByteArray bytes = std::move(read.bytes);
    const struct stat& after = read.status;
    if (sameStamp && bytes == it->bytes) {
        std::shared_ptr<const ParsedProfile> data = it->data;
        Remember(path, StampOf(after), data, bytes, readStart);
        return {LoadStatus::Ok, data};
    }
    std::shared_ptr<const ParsedProfile> data = Parse(bytes);
    Remember(path, StampOf(after), data, bytes, readStart);
    return {LoadStatus::Ok, data};
}

// --- writing ---------------------------------------------------------------------------

enum class Edit { Refused, Unchanged, Changed };
using Editor = std::function<Edit(std::vector<QByteArray>& lines, const ParsedProfile& parsed)>;

// 0, or why the file could not be written. The number is taken where the failure
// happened: errno itself is left to whatever the clean-up after it did.
int TryEdit(const QString& file, const Editor& edit) {
    const Resolved where = Resolve(file);
    if (where.inDataDirectory && !platform::EnsureDataDirectory())
        return errno != 0 ? errno : EACCES;
    if (where.inDataDirectory) {
        // Once a process: a writer killed in the middle of a write leaves its temporary
        // file, which no later write would ever reuse.
        static std::once_flag tidied;
        std::call_once(tidied, [] {
            platform::RemoveAbandonedTemporaryFiles(QFile::encodeName(platform::DataDirectory()));
        });
    }
    ProfileLock lock;
    const Loaded loaded = Load(where);
    // A file that exists but cannot be read must not be replaced by what little we know.
    if (loaded.status == LoadStatus::Error)
        return loaded.error != 0 ? loaded.error : EIO;

    std::vector<QByteArray> lines = loaded.data->lines;
    switch (edit(lines, *loaded.data)) {
        case Edit::Refused:
            return EINVAL;
        case Edit::Unchanged:
            return 0;
        case Edit::Changed:
            break;
    }
    const QByteArray bytes = Serialise(lines);
    const qint64 writeStart = NowNs();
    // A crash or a full disk leaves the old file whole; a link to elsewhere stays a link.
    struct stat st {};
    const int error = platform::ReplaceFileAtomically(where.native, bytes, &st);

    std::lock_guard<std::mutex> guard(CacheMutex());
    if (error != 0) {
        Cache().remove(where.path);
        return error;
    }
    auto parsed = std::make_shared<ParsedProfile>();
    parsed->lines = std::move(lines);
    BuildIndex(*parsed);
    Remember(where.path, StampOf(st), std::move(parsed), bytes, writeStart);
    return 0;
}

bool Report(int error, int* out) {
    if (out != nullptr)
        *out = error;
    return error == 0;
}

bool CommitEdit(const QString& file, int* error, const Editor& edit) {
    return Report(TryEdit(file, edit), error);
}

// --- the lock --------------------------------------------------------------------------

struct LockState {
    std::mutex mutex;
    std::condition_variable released;
    std::thread::id owner;
    int depth = 0;
    platform::FileLock file;
};

LockState& TheLock() {
    static LockState state;
    return state;
}

// Opened anew for every outermost holder: a descriptor kept open would be shared with a
// forked child, and flock treats holders of one open file as one.
platform::FileLock TakeFileLock() {
    if (!platform::EnsureDataDirectory())
        return {};
    return platform::FileLock(QFile::encodeName(platform::DataDirectory() + QLatin1Char('/') +
                                                QLatin1String(kLockFileName)),
                              platform::FileLock::Wait::UntilFree);
}

}  // namespace

// Without the lock file (a directory we may not write) the holder still excludes the
// other threads of this program; writes go ahead and fail or succeed on their own.
ProfileLock::ProfileLock() {
    LockState& s = TheLock();
    std::unique_lock<std::mutex> lk(s.mutex);
    const std::thread::id me = std::this_thread::get_id();
    if (s.depth > 0 && s.owner == me) {
        ++s.depth;
        held_ = s.file.Held();
        return;
    }
    s.released.wait(lk, [&s] { return s.depth == 0; });
    s.owner = me;
    s.depth = 1;
    lk.unlock();
    platform::FileLock file = TakeFileLock();
    lk.lock();
    s.file = std::move(file);
    held_ = s.file.Held();
}

ProfileLock::~ProfileLock() {
    LockState& s = TheLock();
    std::lock_guard<std::mutex> lk(s.mutex);
    if (--s.depth > 0)
        return;
    s.file = platform::FileLock();  // releases the flock
    s.owner = std::thread::id();
    s.released.notify_all();
}

bool ProfileLock::Held() const {
    return held_;
}

namespace {
std::atomic<ProfileReadObserver> g_readObserver{nullptr};
}  // namespace

void SetProfileReadObserver(ProfileReadObserver observer) {
    g_readObserver = observer;
}

QString GetProfileString(const QString& section, const QString& key, const QString& def,
                         int maxLength, const QString& file) {
    if (const ProfileReadObserver observer = g_readObserver) {
        observer(file, section, key, maxLength);
    }
    const Loaded loaded = Load(Resolve(file));
    QString value;
    if (!FindValue(*loaded.data, section, key, &value))
        value = def;
    return CutToLength(value, maxLength);
}

bool WriteProfileString(const QString& section, const QString& key, const QString& value,
                        const QString& file, int* error) {
    const QByteArray encSection = EncodedName(section);
    const QByteArray encKey = EncodedName(key);
    if (!StorableSectionName(encSection) || !StorableKeyName(encKey))
        return Report(EINVAL, error);
    const QByteArray encValue = cp1252::Encode(WithoutBreaks(value));
    const QByteArray foldedSection = cp1252::Folded(encSection);
    const QByteArray foldedKey = cp1252::Folded(encKey);

    return CommitEdit(file, error, [&](auto& lines, const ParsedProfile& parsed) {
        const ParsedProfile::Section* s = FindSection(parsed, foldedSection);
        if (s == nullptr) {
            AppendSection(lines, encSection);
            lines.push_back(encKey + '=' + encValue);
            return Edit::Changed;
        }
        const int at = KeyLine(*s, foldedKey);
        if (at >= 0) {
            // The stored spelling of the key stays; only the value changes.
            QByteArray& line = lines[static_cast<size_t>(at)];
            const QByteArray replacement = TrimRange(line, 0, line.indexOf('=')) + '=' + encValue;
            if (replacement == line)
                return Edit::Unchanged;
            line = replacement;
            return Edit::Changed;
        }
        lines.insert(lines.begin() + EndOfContent(lines, *s), encKey + '=' + encValue);
        return Edit::Changed;
    });
}

bool WriteProfileSection(const QString& section,
                         const std::vector<std::pair<QString, QString>>& entries,
                         const QString& file, int* error) {
    const QByteArray encSection = EncodedName(section);
    if (!StorableSectionName(encSection))
        return Report(EINVAL, error);
    std::vector<QByteArray> body;
    body.reserve(entries.size());
    for (const auto& [key, value] : entries) {
        const QByteArray encKey = EncodedName(key);
        if (!StorableKeyName(encKey))
            return Report(EINVAL, error);
        body.push_back(encKey + '=' + cp1252::Encode(WithoutBreaks(value)));
    }
    const QByteArray foldedSection = cp1252::Folded(encSection);

    return CommitEdit(file, error, [&](auto& lines, const ParsedProfile& parsed) {
        const ParsedProfile::Section* s = FindSection(parsed, foldedSection);
        if (s == nullptr) {
            AppendSection(lines, encSection);
            lines.insert(lines.end(), body.begin(), body.end());
            return Edit::Changed;
        }
        const auto from = lines.begin() + s->header + 1;
        const auto to = lines.begin() + EndOfContent(lines, *s);
        if (std::equal(from, to, body.begin(), body.end()))
            return Edit::Unchanged;
        const auto at = lines.erase(from, to);
        lines.insert(at, body.begin(), body.end());
        return Edit::Changed;
    });
}

void ClearProfileCache() {
    std::lock_guard<std::mutex> guard(CacheMutex());
    Cache().clear();
}

ProfileSnapshot::ProfileSnapshot(const QString& file) : data_(Load(Resolve(file)).data) {}

QString ProfileSnapshot::GetString(const QString& section, const QString& key, const QString& def,
                                   int maxLength) const {
    QString value;
    if (!FindValue(*data_, section, key, &value))
        value = def;
    return CutToLength(value, maxLength);
}

bool ProfileSnapshot::Find(const QString& section, const QString& key, QString* value) const {
    return FindValue(*data_, section, key, value);
}

std::vector<std::pair<long long, QString>> ProfileSnapshot::NumberedValues(
    const QString& section) const {
    std::vector<std::pair<long long, QString>> values;
    const ParsedProfile::Section* s = FindSection(*data_, FoldedName(section));
    if (s == nullptr)
        return values;
    for (size_t n = 1; n < s->numbered.size(); ++n) {
        if (s->numbered[n] >= 0)
            values.emplace_back(static_cast<long long>(n), ValueAt(*data_, s->numbered[n]));
    }
    // Numbers beyond the file's line count are filed with the other keys.
    const size_t indexed = values.size();
    for (auto it = s->keys.constBegin(); it != s->keys.constEnd(); ++it) {
        const long long n = CanonicalNumber(it.key().constData(), it.key().size());
        if (n > 0)
            values.emplace_back(n, ValueAt(*data_, it.value()));
    }
    if (values.size() > indexed)
        std::sort(values.begin(), values.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
    return values;
}

}  // namespace vindelor
