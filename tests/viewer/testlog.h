// Helpers of the log viewer tests: logs and settings in the test's data directory.
#pragma once

#include "core/profile.h"
#include "core/sessionlog.h"

#include <gtest/gtest.h>

namespace vindelor::brusko::testing {

inline void PutLog(const QStringList& lines) {
    ASSERT_TRUE(RewriteLog(lines));
}

inline void Put(const QString& section, const QString& key, const QString& value) {
    ASSERT_TRUE(WriteProfileString(section, key, value, kSettingsFile));
}

inline QString Get(const QString& section, const QString& key) {
    return GetProfileString(section, key, QStringLiteral("<missing>"), 100, kSettingsFile);
}

// A current-form line with a given day, start second and duration.
inline QString Line(int day, int second, const QString& duration, const QString& cost) {
    return QStringLiteral("%1.12.1999 10:%2:%3-%4^%5")
        .arg(day, 2, 10, QLatin1Char('0'))
        .arg(second / 60, 2, 10, QLatin1Char('0'))
        .arg(second % 60, 2, 10, QLatin1Char('0'))
        .arg(duration, cost);
}

}  // namespace vindelor::brusko::testing
