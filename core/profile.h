// The profile-string service behind "Vindelor.ini", "Vindelor.log" and "Vindelor.ny".
// Read and write one value at a time, like the Windows profile functions the files were
// made for: case-insensitive section and key names (ä ö å included), Windows-1252 and
// CR LF on disk, UTF-8 in the program.
//
// Beyond the classic calls, because three programs share these files and a user's totals
// and log must never be lost: every write is atomic (temporary file, fsync, rename);
// writers serialise on one lock shared by all programs (ProfileLock); an unchanged file
// is not parsed again; a line break inside a key or value is written as a blank.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

namespace vindelor {

inline const QString kSettingsFile = QStringLiteral("Vindelor.ini");
inline const QString kLogFile = QStringLiteral("Vindelor.log");
inline const QString kLogTempFile = QStringLiteral("Vindelor.ny");
inline const QString kRateDataFile = QStringLiteral("Vindelor.dta");

// Reads a value: the stored value with its surrounding blanks dropped, or `def` when the
// file, section or key is missing; cut to maxLength - 1 characters. Never fails.
// A bare file name lives in the data directory (platform/datadir.h).
QString GetProfileString(const QString& section, const QString& key, const QString& def,
                         int maxLength, const QString& file);

// Told of every GetProfileString call: the file as the caller named it, section, key and
// maximum length. A test holds each reader of the three programs to the length it must
// pass; nullptr (the default) tells nobody.
using ProfileReadObserver = void (*)(const QString& file, const QString& section,
                                     const QString& key, int maxLength);
void SetProfileReadObserver(ProfileReadObserver observer);

// Writes a value, creating file, section and key as needed; nothing else in the file
// changes. False when the file could not be written (the old file stays whole), and when
// a name cannot be stored without breaking the file's lines: an empty section or key, a
// section holding "]", a key holding "=" or starting with "[" or ";". `error`, when
// given, receives 0 or the reason of the failure (EINVAL for a name that cannot be
// stored); errno after the call may belong to a clean-up step instead.
bool WriteProfileString(const QString& section, const QString& key, const QString& value,
                        const QString& file, int* error = nullptr);

// Replaces one whole section in one atomic write (used for the log, whose only section
// "Nättid" holds keys "1", "2", …). Entries are (key, value) in order. `error` as for
// WriteProfileString.
bool WriteProfileSection(const QString& section,
                         const std::vector<std::pair<QString, QString>>& entries,
                         const QString& file, int* error = nullptr);

// The lock that serialises writers of all three programs (an flock on a lock file in the
// data directory). Re-entrant within a thread of one process; hold it across a multi-step
// change (a log rewrite, an append and its totals) so no other writer comes in between.
class ProfileLock {
  public:
    ProfileLock();
    ~ProfileLock();
    ProfileLock(const ProfileLock&) = delete;
    ProfileLock& operator=(const ProfileLock&) = delete;
    bool Held() const;

  private:
    bool held_ = false;
};

// Forgets every cached parse (tests that change files behind the service's back).
void ClearProfileCache();

struct ParsedProfile;

// One version of a file for many reads in a row (a walk over the log's keys): read once,
// and every read sees that same version even while another program replaces the file.
// Reads follow the rules of GetProfileString.
class ProfileSnapshot {
  public:
    explicit ProfileSnapshot(const QString& file);
    QString GetString(const QString& section, const QString& key, const QString& def,
                      int maxLength) const;
    // The stored value with its blanks dropped, not cut; false when the key is missing.
    bool Find(const QString& section, const QString& key, QString* value) const;
    // Every key of the section that is a plain decimal number ("1", "31999"), in number
    // order with its value, blanks dropped; missing numbers are skipped.
    std::vector<std::pair<long long, QString>> NumberedValues(const QString& section) const;

  private:
    std::shared_ptr<const ParsedProfile> data_;
};

}  // namespace vindelor
