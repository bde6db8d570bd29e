// TComm32 on a scripted port: open and close rules, failures of the open, events on the
// window thread, the trace.
#include "comm32_testutil.h"
#include "components/comm32.h"
#include "components/commthreads.h"
#include "components/test/fakeserial.h"
#include "support/testenv.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>
#include <vector>

namespace vindelor {
namespace {

using test::FakeSerialDevice;
using test::FakeSerialFactory;
using test::FindLine;
using test::PumpUntil;
using test::TraceLines;

class Comm32Fake : public ::testing::Test {
  protected:
    void SetUp() override {
        previousTimeout_ = TComm32::SetThreadExitTimeout(5000);
        TComm32::SetPortOpenFailed(false);
        comm.SetCommPort(QStringLiteral("/dev/ttyFAKE0"));
        comm.SetOnReceiveData([this](const char* buffer, std::uint16_t length) {
            events.push_back(QStringLiteral("data:") +
                             QString::fromLatin1(QByteArray(buffer, length)));
            terminatedByZero.push_back(buffer[length] == '\0');
        });
        comm.SetOnRequestHangup([this](TComm32* sender) {
            events.push_back(sender == &comm ? QStringLiteral("hangup")
                                             : QStringLiteral("hangup from a stranger"));
        });
    }
    void TearDown() override {
        comm.ClosePort();
        TComm32::SetThreadExitTimeout(previousTimeout_);
    }
    std::shared_ptr<FakeSerialDevice> Script() {
        auto device = std::make_shared<FakeSerialDevice>();
        port.factory.nextDevice = device;
        return device;
    }
    void Trace() { comm.SetCommsLogFileName(traceFile); }
    bool HasEvent(const QString& e) const {
        return std::find(events.begin(), events.end(), e) != events.end();
    }

    test::ScopedDataDir data;
    test::ScopedSerialFactory port;
    QString traceFile = data.file(QStringLiteral("comm.trc"));
    TComm32 comm;
    std::vector<QString> events;
    std::vector<bool> terminatedByZero;

  private:
    int previousTimeout_ = 0;
};

TEST_F(Comm32Fake, ConstructionDefaults) {
    TComm32 fresh;
    EXPECT_EQ(fresh.CommPort(), QStringLiteral("COM2"));
    EXPECT_EQ(fresh.BaudRate(), 0);
    EXPECT_TRUE(fresh.CommsLogFileName().isEmpty());
    EXPECT_FALSE(fresh.IsOpen());
    EXPECT_FALSE(fresh.OnReceiveData());
    EXPECT_FALSE(fresh.OnRequestHangup());
}

TEST_F(Comm32Fake, OpenCloseCycleTracesInOrderAndReleasesTheDevice) {
    Trace();
    comm.SetBaudRate(0);
    ASSERT_TRUE(comm.OpenPort());
    EXPECT_TRUE(comm.IsOpen());
    const auto device = port.factory.lastDevice;
    ASSERT_TRUE(device);
    EXPECT_EQ(device->ConfiguredBaud(), 0);  // 0 does not fail the open
    ASSERT_TRUE(device->WaitForWaits(1, 5000));
    comm.ClosePort();
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_TRUE(device->Closed());
    // Reader and writer purge their direction, ClosePort both.
    std::vector<int> purges = device->Purges();
    EXPECT_EQ(std::count(purges.begin(), purges.end(), 10), 2);
    EXPECT_EQ(std::count(purges.begin(), purges.end(), 5), 2);

    const QStringList lines = TraceLines(traceFile);
    const int stopping = lines.indexOf(QStringLiteral("Stopping the Comm"));
    const int closingRead = lines.indexOf(QStringLiteral("Closing Read Thread "));
    const int readDown = lines.indexOf(QStringLiteral("Read thread shutting down"));
    const int closingWrite = lines.indexOf(QStringLiteral("Closing Write Thread"));
    ASSERT_GE(stopping, 0) << lines.join('\n').toStdString();
    EXPECT_LT(stopping, closingRead);
    EXPECT_LT(closingRead, readDown);
    EXPECT_LT(readDown, closingWrite);
    EXPECT_TRUE(lines.contains(QStringLiteral("Write thread shutting down")));
    EXPECT_LT(lines.indexOf(QStringLiteral("Waiting for a CommEvent (Error) to occur.")), readDown);
    EXPECT_LT(lines.indexOf(QStringLiteral("Waiting for data from comm connection.")), readDown);
    // The close event ends the reader quietly: no hang-up, no "Time to Exit" in the trace.
    EXPECT_FALSE(lines.contains(QStringLiteral("Time to Exit")));
    test::DrainEvents();
    EXPECT_TRUE(events.empty());

    // A second ClosePort on the closed component writes nothing and changes nothing.
    comm.ClosePort();
    EXPECT_EQ(TraceLines(traceFile), lines);
}

TEST_F(Comm32Fake, OpenWhileOpenThrowsAndKeepsTheFlag) {
    ASSERT_TRUE(comm.OpenPort());
    TComm32::SetPortOpenFailed(true);
    try {
        comm.OpenPort();
        FAIL() << "no exception";
    } catch (const ECommsError& e) {
        EXPECT_STREQ(e.what(), "Already have a comm file open");
    }
    EXPECT_TRUE(TComm32::PortOpenFailed());
    EXPECT_EQ(port.factory.opens, 1);
    EXPECT_TRUE(comm.IsOpen());
}

TEST_F(Comm32Fake, FailedOpensSetTheFlagAndTellBusyFromUnusable) {
    struct Case {
        FakeSerialFactory::Mode mode;
        const char* message;
        PortFailure failure;
    };
    const Case cases[] = {
        {FakeSerialFactory::Mode::Busy, "Error opening com port", PortFailure::Busy},
        {FakeSerialFactory::Mode::Unusable, "Error opening com port", PortFailure::Unusable},
        {FakeSerialFactory::Mode::NotTerminal, "File handle is not a comm handle. ",
         PortFailure::Unusable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        port.factory.mode = c.mode;
        try {
            comm.OpenPort();
            ADD_FAILURE() << "no exception";
        } catch (const ECommsError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_FALSE(comm.IsOpen());
        EXPECT_TRUE(TComm32::PortOpenFailed());
        EXPECT_EQ(TComm32::LastFailure(), c.failure);
        EXPECT_TRUE(TComm32::LastFailureDetail().startsWith(QStringLiteral("/dev/ttyFAKE0")));

        // A following successful open clears both.
        port.factory.mode = FakeSerialFactory::Mode::Free;
        ASSERT_TRUE(comm.OpenPort());
        EXPECT_FALSE(TComm32::PortOpenFailed());
        EXPECT_EQ(TComm32::LastFailure(), PortFailure::None);
        comm.ClosePort();
    }
}

TEST_F(Comm32Fake, TraceFileIsCreatedEmptyBeforeTheDeviceIsTried) {
    test::WriteFileBytes(traceFile, "old contents\r\n");
    Trace();
    port.factory.mode = FakeSerialFactory::Mode::Busy;
    EXPECT_THROW(comm.OpenPort(), ECommsError);
    EXPECT_TRUE(QFile::exists(traceFile));
    EXPECT_TRUE(test::ReadFileBytes(traceFile).isEmpty());
}

TEST_F(Comm32Fake, TraceFileThatCannotBeCreatedIsNotACommsError) {
    comm.SetCommsLogFileName(data.file(QStringLiteral("missing/dir/comm.trc")));
    try {
        comm.OpenPort();
        FAIL() << "no exception";
    } catch (const ECommsError&) {
        FAIL() << "reported as a port failure";
    } catch (const std::ios_base::failure&) {
    }
    EXPECT_EQ(port.factory.opens, 0);
    EXPECT_FALSE(comm.IsOpen());
}

TEST_F(Comm32Fake, CloseEventFailureReturnsFalseAndClosesThePort) {
    Trace();
    port.factory.eventFdError = EMFILE;
    EXPECT_FALSE(comm.OpenPort());
    EXPECT_FALSE(comm.IsOpen());
    ASSERT_TRUE(port.factory.lastDevice);
    EXPECT_TRUE(port.factory.lastDevice->Closed());
    const QStringList lines = TraceLines(traceFile);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0], QStringLiteral("Unable to CreateEvent: GetLastError returned: \"") +
                            TComm32::FormatLastError(EMFILE) + QStringLiteral("\""));
}

// A port left open would read as busy to every later probe: a connection that never ends.
TEST_F(Comm32Fake, ThreadThatCannotBeCreatedClosesThePortAndIsNoConnection) {
    struct Case {
        bool read;
        const char* message;
    };
    for (const Case c : {Case{true, "Unable to create Read thread"},
                         Case{false, "Unable to create Write thread"}}) {
        SCOPED_TRACE(c.message);
        Trace();
        port.factory.readThreadError = c.read ? EAGAIN : 0;
        port.factory.writeThreadError = c.read ? 0 : EAGAIN;
        try {
            comm.OpenPort();
            ADD_FAILURE() << "no exception";
        } catch (const ECommsError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_FALSE(comm.IsOpen());
        EXPECT_TRUE(port.factory.lastDevice->Closed());
        EXPECT_EQ(TComm32::LastFailure(), PortFailure::Internal);
        EXPECT_FALSE(TComm32::PortOpenFailed());
        const QStringList lines = TraceLines(traceFile);
        // The prefix has no blank: it runs into the fixed words.
        EXPECT_GE(FindLine(lines, QString::fromLatin1(c.message) +
                                      QStringLiteral("GetLastError returned: \"")),
                  0)
            << lines.join('\n').toStdString();
        EXPECT_EQ(lines.contains(QStringLiteral("Read thread shutting down")), !c.read);
        EXPECT_FALSE(lines.contains(QStringLiteral("Write thread shutting down")));
        port.factory.readThreadError = port.factory.writeThreadError = 0;
        EXPECT_TRUE(comm.OpenPort());  // nothing left over
        comm.ClosePort();
    }
}

TEST_F(Comm32Fake, ReceivedBytesLineErrorsAndHangupArriveInOrder) {
    auto device = Script();
    ASSERT_TRUE(comm.OpenPort());
    device->PushData("CONNECT 28800\r\n");
    ASSERT_TRUE(PumpUntil([&] { return events.size() == 1; }));
    device->RaiseLineError(0);
    device->RaiseLineError(kCeFrame | kCeOverrun);
    device->RaiseLineError(kCeRxParity | 0x10);
    device->RaiseLineError(kCeFrame | kCeOverrun | kCeRxParity | kCeRxOver);
    device->PushReadResult({0, 0});  // the other side closed
    ASSERT_TRUE(PumpUntil([&] { return HasEvent(QStringLiteral("hangup")); }));
    const std::vector<QString> expected = {
        QStringLiteral("data:CONNECT 28800\r\n"),
        QStringLiteral("data:Comm Event: NULL Error, EvtMask = 0"),
        QStringLiteral("data:Comm Event: CE_FRAME and CE_OVERRUN, EvtMask = 10"),
        QStringLiteral("data:Comm Event: CE_RXPARITY and EV_ERR Unknown EvtMask, EvtMask = 20"),
        QStringLiteral("data:Comm Event: CE_FRAME and CE_OVERRUN and CE_RXPARITY and EV_ERR "
                       "Unknown EvtMask, EvtMask = 15"),
        QStringLiteral("hangup"),
    };
    ASSERT_GE(events.size(), expected.size());
    EXPECT_EQ(std::vector<QString>(events.begin(), events.begin() + 6), expected);
    for (bool zero : terminatedByZero) {
        EXPECT_TRUE(zero);  // every block ends in a zero byte after BufferLength bytes
    }
    // The port stays open until the owner closes it.
    EXPECT_TRUE(comm.IsOpen());
}

TEST_F(Comm32Fake, DataWithoutAHandlerIsDroppedNotKeptForLater) {
    auto device = Script();
    comm.SetOnReceiveData(nullptr);
    ASSERT_TRUE(comm.OpenPort());
    ASSERT_TRUE(device->WaitForWaits(1, 5000));
    device->PushData("first");
    ASSERT_TRUE(device->WaitForWaits(2, 5000));  // read, then back in the wait
    test::DrainEvents();
    std::vector<QString> seen;
    comm.SetOnReceiveData(
        [&seen](const char* b, std::uint16_t n) { seen.push_back(QString::fromLatin1(b, n)); });
    device->PushData("second");
    ASSERT_TRUE(PumpUntil([&] { return !seen.empty(); }));
    test::DrainEvents();
    EXPECT_EQ(seen, std::vector<QString>{QStringLiteral("second")});
}

TEST_F(Comm32Fake, WritesGoThroughTheWriterInOrder) {
    auto device = Script();
    EXPECT_FALSE(comm.WriteString("not open"));
    ASSERT_TRUE(comm.OpenPort());
    device->PushWriteResult({0, 3});
    device->PushWriteResult({EAGAIN, 0});
    device->PushWriteResult({0, 1});
    EXPECT_TRUE(comm.WriteString("ATDT555"));
    EXPECT_TRUE(comm.WriteString("1234\r"));
    ASSERT_TRUE(PumpUntil([&] { return device->Written().size() == 12; }));
    EXPECT_EQ(device->Written(), QByteArray("ATDT5551234\r"));
    test::DrainEvents();
    EXPECT_TRUE(events.empty());
}

TEST_F(Comm32Fake, ClosePortDuringARestartedReadLeavesAHangupRequest) {
    Trace();
    auto device = Script();
    ASSERT_TRUE(comm.OpenPort());
    ASSERT_TRUE(device->WaitForWaits(1, 5000));
    device->HoldNextReadUntilClose();
    device->PushData("late");
    ASSERT_TRUE(device->WaitForHeldRead(5000));
    comm.ClosePort();
    ASSERT_TRUE(PumpUntil([&] { return HasEvent(QStringLiteral("hangup")); }));
    EXPECT_TRUE(HasEvent(QStringLiteral("data:late")));
    EXPECT_TRUE(TraceLines(traceFile).contains(QStringLiteral("Read thread shutting down")));
}

TEST_F(Comm32Fake, ThreadsThatDoNotEndAreGivenUpAndCannotReachTheOwner) {
    Trace();
    TComm32::SetThreadExitTimeout(50);
    auto device = Script();
    ASSERT_TRUE(comm.OpenPort());
    ASSERT_TRUE(device->WaitForWaits(1, 5000));
    device->SetStuck(true);
    // The writer waits for a port that does not take bytes, and does not hear the close.
    device->SetWritable(false);
    device->PushWriteResult({EAGAIN, 0});
    ASSERT_TRUE(comm.WriteString("stuck"));
    ASSERT_TRUE(device->WaitForWaits(2, 5000));

    comm.ClosePort();
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_TRUE(device->Closed());  // the port is released even so
    const QStringList lines = TraceLines(traceFile);
    EXPECT_TRUE(lines.contains(QStringLiteral("Read thread not exiting.  Terminating it.")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Write thread not exiting.  Terminating it.")));

    // Let the abandoned threads run on: what they post never reaches the component, and
    // they let go of the device when they end.
    device->PushData("ghost");
    device->SetStuck(false);
    device->SetWritable(true);
    ASSERT_TRUE(PumpUntil([&] { return device.use_count() == 2; }));  // ours + factory's
    test::DrainEvents();
    EXPECT_TRUE(events.empty());

    // The component is usable again at once.
    TComm32::SetThreadExitTimeout(5000);
    ASSERT_TRUE(comm.OpenPort());
    comm.ClosePort();
}

TEST_F(Comm32Fake, DestroyingAnOpenComponentEndsItsThreads) {
    auto device = Script();
    {
        TComm32 local;
        local.SetCommPort(QStringLiteral("/dev/ttyFAKE1"));
        ASSERT_TRUE(local.OpenPort());
        ASSERT_TRUE(device->WaitForWaits(1, 5000));
    }
    EXPECT_TRUE(device->Closed());
    port.factory.lastDevice.reset();
    EXPECT_EQ(device.use_count(), 1);  // no thread keeps it
}

TEST(Comm32Trace, LinesStayWholeWhenThreadsWriteAtOnce) {
    test::ScopedDataDir data;
    test::ScopedSerialFactory port;
    const QString file = data.file(QStringLiteral("t.trc"));
    TComm32 comm;
    comm.SetCommsLogFileName(file);
    ASSERT_TRUE(comm.OpenPort());
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([t] {
            const QString line = QStringLiteral("thread %1 ").arg(t) + QString(200, QChar('x'));
            for (int i = 0; i < 300; ++i) {
                TComm32::LogCommsLine(line);
            }
        });
    }
    for (auto& w : writers) {
        w.join();
    }
    comm.ClosePort();
    int ours = 0;
    for (const QString& line : TraceLines(file)) {
        if (line.startsWith(QStringLiteral("thread "))) {
            ++ours;
            EXPECT_EQ(line.size(), 209) << line.toStdString();
            EXPECT_TRUE(line.endsWith(QString(200, QChar('x'))));
        }
    }
    EXPECT_EQ(ours, 1200);
}

TEST(Comm32Trace, NothingIsWrittenWithoutANameAndANewComponentClearsTheName) {
    test::ScopedDataDir data;
    test::ScopedSerialFactory port;
    const QString file = data.file(QStringLiteral("t.trc"));
    TComm32 comm;
    comm.SetCommsLogFileName(file);
    ASSERT_TRUE(comm.OpenPort());
    TComm32::LogCommsLine(QStringLiteral("before"));
    TComm32 other;  // empties the process-wide copy of the name
    TComm32::LogCommsLine(QStringLiteral("after"));
    comm.ClosePort();
    const QStringList lines = TraceLines(file);
    EXPECT_TRUE(lines.contains(QStringLiteral("before")));
    EXPECT_FALSE(lines.contains(QStringLiteral("after")));
    EXPECT_FALSE(lines.contains(QStringLiteral("Stopping the Comm")));
}

TEST(Comm32Trace, LastErrorTexts) {
    EXPECT_EQ(TComm32::FormatLastError(ENOENT), QString::fromLocal8Bit(strerror(ENOENT)));
    test::ScopedDataDir data;
    test::ScopedSerialFactory port;
    const QString file = data.file(QStringLiteral("t.trc"));
    TComm32 comm;
    comm.SetCommsLogFileName(file);
    ASSERT_TRUE(comm.OpenPort());
    TComm32::LogLastError(EIO, QStringLiteral("Read WAIT_FAILED: "));
    TComm32::LogLastError(EIO);
    comm.ClosePort();
    const QString eio = QString::fromLocal8Bit(strerror(EIO));
    const QStringList lines = TraceLines(file);
    EXPECT_TRUE(lines.contains(QStringLiteral("Read WAIT_FAILED: GetLastError returned: \"") + eio +
                               QStringLiteral("\"")));
    EXPECT_TRUE(
        lines.contains(QStringLiteral("GetLastError returned: \"") + eio + QStringLiteral("\"")));
}

}  // namespace
}  // namespace vindelor
