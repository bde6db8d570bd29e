// The serial port backend against real holders: the simulated dialer holds a
// pseudo-terminal of the test's own in each of its ways and lets it go in each of a
// dialer's ways. A held port costs no look until the holder does something, and every
// release is told at once.
#include "connectionwatch/serial/serialwatch.h"

#include "components/comm32.h"
#include "components/comm32_testutil.h"
#include "components/serialdevice.h"
#include "platform/test/fakes.h"

#include <QDir>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

namespace vindelor::watch {
namespace {

// The real device layer, counting the looks made through it.
class CountingFactory : public SerialDeviceFactory {
  public:
    CountingFactory() : previous_(TComm32::SetDeviceFactory(this)) {}
    ~CountingFactory() override { TComm32::SetDeviceFactory(previous_); }
    OpenOutcome Open(const QString& devicePath) override {
        ++looks;
        return PosixSerialDeviceFactory().Open(devicePath);
    }
    std::unique_ptr<platform::HolderEvents> WatchRelease(const QString& devicePath) override {
        return PosixSerialDeviceFactory().WatchRelease(devicePath);
    }
    int looks = 0;

  private:
    SerialDeviceFactory* previous_;
};

TEST(SerialPortWatch, AHeldPortIsLookedAtOnlyWhenItsHolderActsAndEveryReleaseIsToldAtOnce) {
    const QString program = QStringLiteral(VINDELOR_BINARY_DIR "/tools/simdialer");
    if (!QFile::exists(program)) {
        GTEST_SKIP() << "simdialer not built";
    }
    const struct {
        const char* mode;
        bool kill;  // killed outright (its lock file left behind) instead of hanging up
    } ways[] = {
        {"full", false},       {"full", true},       {"lockfile-only", false},
        {"flock-only", false}, {"open-only", false},
    };
    test::Pty pty;
    ASSERT_TRUE(pty.Ok());
    test::ScopedLockDir locks;
    platform::test::ScopedFakes fakes;
    CountingFactory factory;
    TComm32 comm;
    comm.SetCommPort(pty.Slave());
    for (const auto& way : ways) {
        SCOPED_TRACE(std::string(way.mode) + (way.kill ? ", killed" : ""));
        QProcess dialer;
        dialer.start(program,
                     {QStringLiteral("--device"), pty.Slave(), QStringLiteral("--delay"),
                      QStringLiteral("0"), QStringLiteral("--hold"), QStringLiteral("stdin"),
                      QStringLiteral("--linger"), QStringLiteral("stdin"), QStringLiteral("--mode"),
                      QString::fromLatin1(way.mode)});
        ASSERT_TRUE(dialer.waitForStarted(5000));
        ASSERT_TRUE(test::PumpUntil([&dialer] {
            return dialer.readAllStandardOutput().contains("HOLDING") ||
                   dialer.state() == QProcess::NotRunning;
        }));

        SerialPortWatch watch(comm);
        bool changed = false;
        QObject::connect(&watch, &ConnectionWatch::Changed, [&changed] { changed = true; });
        factory.looks = 0;
        EXPECT_EQ(watch.Check().state, LinkState::Up);
        // Once more with the watch of the holder in place, then no look while nothing
        // happens: a tick's check costs no /proc walk.
        EXPECT_EQ(watch.Check().state, LinkState::Up);
        for (int tick = 0; tick < 20; ++tick) {
            ASSERT_EQ(watch.Check().state, LinkState::Up);
        }
        EXPECT_EQ(factory.looks, 2);
        // The safety net: a full look once a second whatever the events say.
        fakes.ticks.AdvanceSeconds(1);
        EXPECT_EQ(watch.Check().state, LinkState::Up);
        EXPECT_EQ(factory.looks, 3);
        EXPECT_FALSE(changed);

        if (way.kill) {
            dialer.kill();
        } else {
            dialer.write("release\n");
        }
        // Told by the event loop, with no check in between.
        EXPECT_TRUE(test::PumpUntil([&changed] { return changed; }));
        EXPECT_EQ(watch.Check().state, LinkState::Down);

        if (way.kill) {
            dialer.waitForFinished(5000);
            for (const QString& name : QDir(locks.Path()).entryList(QDir::Files)) {
                QFile::remove(locks.File(name));
            }
        } else {
            dialer.write("done\n");
            EXPECT_TRUE(dialer.waitForFinished(5000));
        }
    }
}

// Inside the running event loop, as in the program, the tick's check leaves the release
// watch's descriptors to the loop: a killed holder's end must still come by its event,
// with the clock standing still so that the once-a-second look cannot find it instead.
TEST(SerialPortWatch, InTheRunningEventLoopAKilledHolderIsToldByItsEvent) {
    const QString program = QStringLiteral(VINDELOR_BINARY_DIR "/tools/simdialer");
    if (!QFile::exists(program)) {
        GTEST_SKIP() << "simdialer not built";
    }
    test::Pty pty;
    ASSERT_TRUE(pty.Ok());
    test::ScopedLockDir locks;
    platform::test::ScopedFakes fakes;
    TComm32 comm;
    comm.SetCommPort(pty.Slave());
    QProcess dialer;
    dialer.start(program, {QStringLiteral("--device"), pty.Slave(), QStringLiteral("--delay"),
                           QStringLiteral("0"), QStringLiteral("--hold"), QStringLiteral("stdin")});
    ASSERT_TRUE(dialer.waitForStarted(5000));
    ASSERT_TRUE(test::PumpUntil([&dialer] {
        return dialer.readAllStandardOutput().contains("HOLDING") ||
               dialer.state() == QProcess::NotRunning;
    }));
    SerialPortWatch watch(comm);
    bool changed = false;
    QObject::connect(&watch, &ConnectionWatch::Changed, [&changed] { changed = true; });
    LinkState afterEnd = LinkState::Up;
    QEventLoop loop;
    QTimer tick;
    int ticks = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const LinkState state = watch.Check().state;
        if (++ticks == 3) {
            dialer.kill();
        }
        if (changed || ticks > 2000) {
            afterEnd = state;
            loop.quit();
        }
    });
    tick.start(2);
    loop.exec();
    EXPECT_TRUE(changed);
    EXPECT_EQ(afterEnd, LinkState::Down);
    dialer.waitForFinished(5000);
}

}  // namespace
}  // namespace vindelor::watch
