// The reader and writer threads on a scripted port: every way they can fail, what they
// trace and when they ask the owner to hang up.
#include "comm32_testutil.h"
#include "components/comm32.h"
#include "components/commthreads.h"
#include "components/test/fakeserial.h"
#include "support/testenv.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <mutex>

namespace vindelor {
namespace {

using test::FakeSerialDevice;
using test::TraceLines;

class Receiver : public QObject {
  public:
    bool event(QEvent* e) override {
        if (e->type() == CommHangupEventType()) {
            ++hangups;
            return true;
        }
        if (e->type() == CommDataEventType()) {
            const auto* d = static_cast<CommDataEvent*>(e);
            data.push_back(QByteArray(d->Block(), static_cast<int>(d->Count())));
            return true;
        }
        return QObject::event(e);
    }
    int hangups = 0;
    std::vector<QByteArray> data;
};

// One worker thread on its own fake port, with the trace open in a temporary file.
class ThreadHarness : public ::testing::Test {
  protected:
    ThreadHarness() {
        traceOwner.SetCommsLogFileName(traceFile);
        EXPECT_TRUE(traceOwner.OpenPort());  // opens the process-wide trace file
        // Its own reader traces while it starts: let it settle before lines are counted.
        EXPECT_TRUE(port.factory.lastDevice->WaitForWaits(1, 5000));
        marker = TraceLines(traceFile).size();
    }
    ~ThreadHarness() override {
        if (closeEvent) {
            closeEvent->Signal();
        }
        if (thread) {
            thread->WaitFor(5000);
        }
        traceOwner.ClosePort();
    }
    template <typename T>
    std::shared_ptr<T> Make() {
        closeEvent = std::make_shared<CommCloseEvent>(port.factory.CreateEventFd());
        auto t = std::make_shared<T>(device, closeEvent, target);
        thread = t;
        return t;
    }
    // Trace lines written since the harness started, ours and the thread's.
    QStringList Lines() const { return TraceLines(traceFile).mid(marker); }
    static QString Err(const char* prefix, int code) {
        return QString::fromLatin1(prefix) + QStringLiteral("GetLastError returned: \"") +
               TComm32::FormatLastError(code) + QStringLiteral("\"");
    }

    test::ScopedDataDir data;
    test::ScopedSerialFactory port;
    QString traceFile = data.file(QStringLiteral("threads.trc"));
    TComm32 traceOwner;
    qsizetype marker = 0;
    std::shared_ptr<FakeSerialDevice> device = std::make_shared<FakeSerialDevice>();
    Receiver receiver;
    std::shared_ptr<CommNotifyTarget> target = std::make_shared<CommNotifyTarget>(&receiver);
    std::shared_ptr<CommCloseEvent> closeEvent;
    std::shared_ptr<TCommThread> thread;
};

const QString kInvalid =
    QStringLiteral("ERROR_INVALID_HANDLE, Likely that the Service Provider has closed the port.");

struct ReaderCase {
    const char* name;
    std::function<void(FakeSerialDevice&)> before;  // before the thread starts
    std::function<void(FakeSerialDevice&)> after;   // once it waits in its loop
    std::vector<QString> lines;                     // in this order
};

class ReaderFailures : public ThreadHarness {};

TEST_F(ReaderFailures, EndWithTheirTraceAndAHangupRequest) {
    const auto none = [](FakeSerialDevice&) {};
    const ReaderCase cases[] = {
        {"comm mask",
         [](FakeSerialDevice& d) { d.FailSetLineErrorMask(EIO); },
         nullptr,
         {Err("Unable to SetCommMask: ", EIO)}},
        {"first comm-event wait",
         [](FakeSerialDevice& d) { d.FailWaitCommEvent(EINVAL); },
         nullptr,
         {Err("Unexpected WaitCommEvent error: ", EINVAL),
          Err("Unable to SetupCommEvent1: ", EINVAL)}},
        {"first read: zero bytes",
         [](FakeSerialDevice& d) {
             d.PushReadResult({0, 0});
         },
         nullptr,
         {QStringLiteral("Data waiting for ReadFile: "),
          QStringLiteral("Unable to SetupReadEvent: GetLastError returned: ")}},
        {"first read fails",
         [](FakeSerialDevice& d) {
             d.PushReadResult({EIO, 0});
         },
         nullptr,
         {Err("Unexpected ReadFile error: ", EIO), Err("Unable to SetupReadEvent: ", EIO)}},
        {"first read: port gone",
         [](FakeSerialDevice& d) {
             d.PushReadResult({EBADF, 0});
         },
         nullptr,
         {kInvalid, Err("Unable to SetupReadEvent: ", EBADF)}},
        {"wait fails",
         none,
         [](FakeSerialDevice& d) {
             d.PushWait({WaitKind::Failed, ENOMEM});
         },
         {Err("Read WAIT_FAILED: ", ENOMEM)}},
        {"unexpected wait value",
         none,
         [](FakeSerialDevice& d) {
             d.PushWait({static_cast<WaitKind>(9), 0});
         },
         {QStringLiteral("Unexpected Wait return value 9")}},
        {"zero-byte read",
         none,
         [](FakeSerialDevice& d) {
             d.PushReadResult({0, 0});
         },
         {QStringLiteral("Unable to HandleReadEvent: GetLastError returned: ")}},
        {"read fails",
         none,
         [](FakeSerialDevice& d) {
             d.PushReadResult({EIO, 0});
         },
         {Err("Unexpected GetOverlappedResult Read Error: ", EIO),
          Err("Unable to HandleReadEvent: ", EIO)}},
        {"port gone while reading",
         none,
         [](FakeSerialDevice& d) {
             d.PushReadResult({EBADF, 0});
         },
         {kInvalid, Err("Unable to HandleReadEvent: ", EBADF)}},
        {"hang-up with nothing to read",
         none,
         [](FakeSerialDevice& d) {
             d.PushWait({WaitKind::Hangup, 0});
         },
         {Err("Unexpected GetOverlappedResult Read Error: ", EIO)}},
        {"comm event without EV_ERR",
         none,
         [](FakeSerialDevice& d) { d.RaiseLineError(kCeFrame, 0x01); },
         {QStringLiteral("Unexpected comm event 1"),
          QStringLiteral("Unable HandleCommEvent: GetLastError returned: ")}},
        {"error state cannot be read",
         none,
         [](FakeSerialDevice& d) {
             d.FailClearCommError(EIO);
             d.RaiseLineError(kCeFrame);
         },
         {Err("ClearCommError: ", EIO), Err("Unable HandleCommEvent: ", EIO)}},
        {"comm event result missing",
         none,
         [](FakeSerialDevice& d) {
             d.PushWait({WaitKind::CommEvent, 0});
         },
         {Err("Unexpected GetOverlappedResult for WaitCommEvent: ", EAGAIN),
          Err("Unable HandleCommEvent: ", EAGAIN)}},
    };
    for (const ReaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        device = std::make_shared<FakeSerialDevice>();
        receiver.hangups = 0;
        marker = TraceLines(traceFile).size();
        c.before(*device);
        auto reader = Make<TReadThread>();
        ASSERT_EQ(reader->Start(), 0);
        if (c.after) {
            ASSERT_TRUE(device->WaitForWaits(1, 5000));
            c.after(*device);
        }
        ASSERT_TRUE(reader->WaitFor(5000)) << "the reader did not end by itself";
        ASSERT_TRUE(test::PumpUntil([&] { return receiver.hangups > 0; }));
        const QStringList lines = Lines();
        int from = 0;
        for (const QString& expected : c.lines) {
            const int at = test::FindLine(lines.mid(from), expected);
            ASSERT_GE(at, 0) << expected.toStdString() << "\n" << lines.join('\n').toStdString();
            from += at + 1;
        }
        EXPECT_EQ(lines.last(), QStringLiteral("Read thread shutting down"));
        EXPECT_EQ(device->Purges(), std::vector<int>{10});
        thread.reset();
    }
}

QStringList gDebugMessages;
std::mutex gDebugMutex;

void CaptureMessages(QtMsgType, const QMessageLogContext&, const QString& text) {
    std::lock_guard<std::mutex> lock(gDebugMutex);
    gDebugMessages.append(text);
}

TEST_F(ThreadHarness, ReaderEndsQuietlyAtTheCloseEvent) {
    QLoggingCategory::setFilterRules(QStringLiteral("vindelor.comm.debug=true"));
    gDebugMessages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(CaptureMessages);
    auto reader = Make<TReadThread>();
    ASSERT_EQ(reader->Start(), 0);
    ASSERT_TRUE(device->WaitForWaits(1, 5000));
    closeEvent->Signal();
    ASSERT_TRUE(reader->WaitFor(5000));
    test::DrainEvents();
    EXPECT_EQ(receiver.hangups, 0);
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    EXPECT_EQ(Lines().last(), QStringLiteral("Read thread shutting down"));
    // "Time to Exit" goes to the debug output, not to the trace.
    EXPECT_FALSE(Lines().contains(QStringLiteral("Time to Exit")));
    std::lock_guard<std::mutex> lock(gDebugMutex);
    EXPECT_EQ(gDebugMessages, QStringList{QStringLiteral("Time to Exit")});
}

TEST_F(ThreadHarness, ReaderPostsTheBytesWithAZeroAfterThem) {
    auto reader = Make<TReadThread>();
    ASSERT_EQ(reader->Start(), 0);
    QByteArray big(5000, 'z');  // more than one read of at most 2048 bytes
    device->PushData(big);
    ASSERT_TRUE(test::PumpUntil([&] {
        qsizetype n = 0;
        for (const QByteArray& b : receiver.data) {
            n += b.size();
        }
        return n == big.size();
    }));
    for (const QByteArray& b : receiver.data) {
        EXPECT_LE(b.size(), 2048);
    }
    EXPECT_EQ(receiver.data.size(), 3u);
    EXPECT_TRUE(Lines().contains(QStringLiteral("Got something from Comm port!!!")));
}

struct WriterCase {
    const char* name;
    std::function<void(FakeSerialDevice&)> script;
    std::vector<QString> lines;
    int hangups;
};

TEST_F(ThreadHarness, WriterFailures) {
    const WriterCase cases[] = {
        {"write fails",
         [](FakeSerialDevice& d) {
             d.PushWriteResult({EIO, 0});
         },
         {QStringLiteral("Writing to comm port"), Err("Error to writing to CommFile", EIO),
          QStringLiteral("Closing TAPI")},
         1},
        {"write fails after a wait",
         [](FakeSerialDevice& d) {
             d.PushWriteResult({EAGAIN, 0});
             d.PushWriteResult({EPIPE, 0});
         },
         {Err("Error writing to CommFile while waiting", EPIPE), QStringLiteral("Closing TAPI")},
         1},
        {"port gone",
         [](FakeSerialDevice& d) {
             d.PushWriteResult({EBADF, 0});
         },
         {kInvalid},
         0},
        {"wait fails",
         [](FakeSerialDevice& d) {
             d.PushWriteResult({EAGAIN, 0});
             d.PushWait({WaitKind::Failed, ENOMEM});
         },
         {Err("Write WAIT_FAILED: ", ENOMEM)},
         1},
        {"unexpected wait value",
         [](FakeSerialDevice& d) {
             d.PushWriteResult({EAGAIN, 0});
             d.PushWait({static_cast<WaitKind>(9), 0});
         },
         {QStringLiteral("Unexpected Wait return value 9")},
         1},
    };
    for (const WriterCase& c : cases) {
        SCOPED_TRACE(c.name);
        device = std::make_shared<FakeSerialDevice>();
        receiver.hangups = 0;
        marker = TraceLines(traceFile).size();
        c.script(*device);
        auto writer = Make<TWriteThread>();
        ASSERT_EQ(writer->Start(), 0);
        ASSERT_TRUE(writer->PostMessage(kWriteRequestMessage, "ATH0\r"));
        ASSERT_TRUE(writer->WaitFor(5000)) << "the writer did not end by itself";
        test::DrainEvents();
        EXPECT_EQ(receiver.hangups, c.hangups);
        const QStringList lines = Lines();
        int from = 0;
        for (const QString& expected : c.lines) {
            const int at = lines.indexOf(expected, from);
            ASSERT_GE(at, 0) << expected.toStdString() << "\n" << lines.join('\n').toStdString();
            from = at + 1;
        }
        EXPECT_EQ(lines.last(), QStringLiteral("Write thread shutting down"));
        EXPECT_EQ(device->Purges(), std::vector<int>{5});
        thread.reset();
    }
}

TEST_F(ThreadHarness, WriterContinuesPartialWritesAndSkipsStrangeMessages) {
    device->PushWriteResult({0, 1});
    device->PushWriteResult({0, 0});
    device->PushWriteResult({EAGAIN, 0});
    device->PushWriteResult({0, 3});
    auto writer = Make<TWriteThread>();
    ASSERT_EQ(writer->Start(), 0);
    ASSERT_TRUE(writer->PostMessage(77, "not for the port"));
    ASSERT_TRUE(writer->PostMessage(kWriteRequestMessage, "ATDT0201234\r"));
    ASSERT_TRUE(writer->PostMessage(kWriteRequestMessage, QByteArray()));
    ASSERT_TRUE(writer->PostMessage(kWriteRequestMessage, "+++"));
    ASSERT_TRUE(test::PumpUntil([&] { return device->Written().size() == 15; }));
    EXPECT_EQ(device->Written(), QByteArray("ATDT0201234\r+++"));
    EXPECT_FALSE(writer->Finished());
    closeEvent->Signal();
    ASSERT_TRUE(writer->WaitFor(5000));
    test::DrainEvents();
    EXPECT_EQ(receiver.hangups, 0);
    const QStringList lines = Lines();
    EXPECT_TRUE(lines.contains(QStringLiteral("Unexpected message posted to Write thread: 77")));
    EXPECT_EQ(lines.count(QStringLiteral("Writing to comm port")), 3);
}

TEST_F(ThreadHarness, WriterDropsRequestsThatComeAfterTheCloseEvent) {
    auto writer = Make<TWriteThread>();
    closeEvent->Signal();
    ASSERT_TRUE(writer->PostMessage(kWriteRequestMessage, "ATZ\r"));
    ASSERT_EQ(writer->Start(), 0);
    ASSERT_TRUE(writer->WaitFor(5000));
    EXPECT_TRUE(device->Written().isEmpty());
    EXPECT_FALSE(Lines().contains(QStringLiteral("Writing to comm port")));
}

TEST_F(ThreadHarness, WriterWaitingForThePortEndsAtTheCloseEventWithoutHangup) {
    device->SetWritable(false);
    device->PushWriteResult({EAGAIN, 0});
    auto writer = Make<TWriteThread>();
    ASSERT_EQ(writer->Start(), 0);
    ASSERT_TRUE(writer->PostMessage(kWriteRequestMessage, "ATZ\r"));
    ASSERT_TRUE(device->WaitForWaits(1, 5000));
    closeEvent->Signal();
    ASSERT_TRUE(writer->WaitFor(5000));
    test::DrainEvents();
    EXPECT_EQ(receiver.hangups, 0);
    EXPECT_TRUE(device->Written().isEmpty());
}

}  // namespace
}  // namespace vindelor
