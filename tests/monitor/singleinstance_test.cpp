// One Vindelor per data directory.
#include "monitor/singleinstance.h"

#include "core/plans.h"
#include "core/profile.h"
#include "monitor/allplans.h"
#include "platform/datadir.h"
#include "support/testenv.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace vindelor::test {
namespace {

TEST(InstanceLockTest, OnlyOneHolderPerDataDirectoryUntilItGoes) {
    ScopedDataDir dir;
    {
        monitor::InstanceLock first;
        EXPECT_TRUE(first.Held());
        monitor::InstanceLock second;  // another open file, as another process would have
        EXPECT_FALSE(second.Held());

        // Another data directory is another Vindelor.
        ScopedDataDir other;
        monitor::InstanceLock elsewhere;
        EXPECT_TRUE(elsewhere.Held());
    }
    monitor::InstanceLock after;
    EXPECT_TRUE(after.Held());
}

// Each plan is a Vindelor of its own, and the Plans page sees which one is waiting.
TEST(InstanceLockTest, EachPlanHasItsOwnLockAndThePlansPageSeesIt) {
    ScopedDataDir dir;
    struct BackToTheDefaultPlan {
        ~BackToTheDefaultPlan() { platform::SelectPlan(QString()); }
    } back;
    ASSERT_EQ(CreatePlan(QStringLiteral("Phone")), 0);
    monitor::InstanceLock base;
    ASSERT_TRUE(base.Owned());
    ASSERT_TRUE(platform::SelectPlan(QStringLiteral("Phone")));
    {
        monitor::InstanceLock phone;
        EXPECT_TRUE(phone.Owned()) << "the default plan's run holds only its own lock";
        EXPECT_TRUE(PlanInUse(QStringLiteral("Phone")));
        monitor::InstanceLock second;
        EXPECT_FALSE(second.Held());
    }
    EXPECT_FALSE(PlanInUse(QStringLiteral("Phone")));
    EXPECT_TRUE(PlanInUse(QString()));
    // vindelor --all-plans holds every plan, also between two runs of one ("false" holds
    // no lock of its own).
    {
        monitor::AllPlansRuns runs(QStringLiteral("false"), {});
        runs.Start();
        EXPECT_TRUE(PlanInUse(QStringLiteral("Phone")));
    }
    EXPECT_FALSE(PlanInUse(QStringLiteral("Phone")));
}

TEST(InstanceLockTest, AnotherProcessSeesTheLockAndItGoesWithTheProcess) {
    ScopedDataDir dir;
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        ::close(release[1]);  // else the read below would never see the end
        monitor::InstanceLock mine;
        const char ok = mine.Held() ? 'y' : 'n';
        [[maybe_unused]] auto w = ::write(ready[1], &ok, 1);
        char byte;
        [[maybe_unused]] auto r = ::read(release[0], &byte, 1);
        ::_exit(0);  // no destructor: the kernel must let go by itself
    }
    ::close(ready[1]);
    ::close(release[0]);
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    EXPECT_EQ(held, 'y');
    {
        monitor::InstanceLock mine;
        EXPECT_FALSE(mine.Held());
    }
    ::close(release[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    monitor::InstanceLock mine;
    EXPECT_TRUE(mine.Held());
    ::close(ready[0]);
}

// A crash during a session leaves "Aktiv" set; whoever holds the lock next clears it,
// while a copy that did not get the lock leaves the live session's flag alone.
TEST(InstanceLockTest, TheHolderClearsAStaleSessionFlag) {
    ScopedDataDir dir;
    const auto flag = [] {
        ClearProfileCache();
        return GetProfileString(QStringLiteral("Aktiv"), QStringLiteral("Aktiv"),
                                QStringLiteral("<none>"), 10, kSettingsFile);
    };
    {
        monitor::InstanceLock first;
        EXPECT_FALSE(monitor::ClearStaleActiveFlag(first));
        EXPECT_FALSE(QFile::exists(dir.file(kSettingsFile)));  // nothing to clear, nothing made

        ASSERT_TRUE(WriteProfileString(QStringLiteral("Aktiv"), QStringLiteral("Aktiv"),
                                       QStringLiteral("Ja"), kSettingsFile));
        monitor::InstanceLock second;
        EXPECT_FALSE(monitor::ClearStaleActiveFlag(second));
        EXPECT_EQ(flag(), QStringLiteral("Ja"));
    }
    monitor::InstanceLock next;
    EXPECT_TRUE(monitor::ClearStaleActiveFlag(next));
    EXPECT_EQ(flag(), QStringLiteral("Nej"));
}

}  // namespace
}  // namespace vindelor::test
