// A serial port without hardware, for tests.
//
// FakeSerialFactory decides what OpenPort finds: a free port (the open succeeds with a
// scripted FakeSerialDevice), a busy one (another program holds it), an unusable one
// (absent device, no permission) or a name that is not a terminal. Install it for the
// lifetime of a test with ScopedSerialFactory:
//
//     vindelor::test::ScopedSerialFactory port;          // installs port.factory
//     port.factory.mode = vindelor::test::FakeSerialFactory::Mode::Busy;
//     comm.OpenPort();                                    // throws "Error opening com port"
//
// (that is TComm32::SetDeviceFactory(&factory), and the previous factory back at the end).
// Link the test with vindelor_components_test.
//
// FakeSerialDevice lets a test script every answer the reader and writer threads can get
// from the OS: read data or errors, partial writes, line errors, failed waits, a port that
// does not let a thread go.
#pragma once

#include "components/serialdevice.h"

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace vindelor::test {

class FakeSerialDevice : public SerialDevice {
  public:
    FakeSerialDevice();
    ~FakeSerialDevice() override;

    // --- script (any thread) ---
    // Bytes that a read returns in one piece.
    void PushData(const QByteArray& bytes);
    // A read result without data: {0, 0} is the end of the line, {EIO, 0} a failure.
    void PushReadResult(IoResult result);
    // Results of the next writes, in order; without one a write takes everything.
    // {0, n} writes at most n bytes; {EAGAIN, 0} makes the writer wait.
    void PushWriteResult(IoResult result);
    // Results of the next waits, in order, before the normal behaviour.
    void PushWait(WaitResult result);
    // A line error: the comm-event request completes with `mask`, and ClearCommError
    // answers `errors`.
    void RaiseLineError(std::uint32_t errors, std::uint32_t mask = kEvErr);
    // Errors for single calls (0 = succeed).
    void FailSetLineErrorMask(int error);
    void FailWaitCommEvent(int error);
    void FailClearCommError(int error);
    // While stuck, waits ignore the close event (a thread that does not end in time).
    void SetStuck(bool stuck);
    // While false, a write wait does not report the port writable.
    void SetWritable(bool writable);
    // The next read returns only once the close event is signalled (a ClosePort that
    // comes while the reader is between a read and the start of the next one).
    void HoldNextReadUntilClose();
    // Blocks until a read is being held that way, or the deadline passes.
    bool WaitForHeldRead(int timeoutMs) const;

    // --- observations (any thread) ---
    QByteArray Written() const;
    std::vector<int> Purges() const;
    bool Closed() const;
    std::int32_t ConfiguredBaud() const;
    int Waits() const;
    // Blocks until `Waits()` reaches `count` or the deadline passes; true when reached.
    bool WaitForWaits(int count, int timeoutMs) const;

    // --- SerialDevice ---
    int Configure(std::int32_t baudRate) override;
    int SetLineErrorMask() override;
    int WaitCommEvent(std::uint32_t* mask) override;
    int ClearCommError(std::uint32_t* errors) override;
    IoResult Read(char* buffer, std::size_t size) override;
    IoResult Write(const char* buffer, std::size_t size) override;
    WaitResult Wait(int closeFd, bool forWrite) override;
    void Purge(int flags) override;
    void Close() override;

  private:
    struct ReadStep {
        IoResult result;
        QByteArray bytes;
    };
    struct LineError {
        std::uint32_t errors;
        std::uint32_t mask;
    };
    void Wake();

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<int> waiters_;  // eventfds of the threads inside Wait
    std::deque<ReadStep> reads_;
    std::deque<IoResult> writes_;
    std::deque<WaitResult> waits_;
    std::deque<LineError> lineErrors_;
    std::uint32_t currentErrors_ = 0;
    int maskError_ = 0;
    int commEventError_ = 0;
    int clearError_ = 0;
    bool stuck_ = false;
    bool writable_ = true;
    bool holdRead_ = false;
    bool readHeld_ = false;
    int lastCloseFd_ = -1;
    bool closed_ = false;
    std::int32_t baud_ = -1;
    int waitCount_ = 0;
    QByteArray written_;
    std::vector<int> purges_;
};

class FakeSerialFactory : public SerialDeviceFactory {
  public:
    enum class Mode { Free, Busy, Unusable, NotTerminal };

    OpenOutcome Open(const QString& devicePath) override;
    int CreateEventFd() override;
    int BeforeThreadStart(const char* which) override;

    Mode mode = Mode::Free;
    // Used by the next free open instead of a new device (tests that script the port
    // before OpenPort starts the threads).
    std::shared_ptr<FakeSerialDevice> nextDevice;
    // Failures of the OS objects OpenPort makes after the open (errno values, 0 = none).
    int eventFdError = 0;
    int readThreadError = 0;
    int writeThreadError = 0;

    // What happened.
    int opens = 0;
    QString lastPath;
    std::shared_ptr<FakeSerialDevice> lastDevice;
};

// Installs a FakeSerialFactory for its lifetime and restores the previous one.
class ScopedSerialFactory {
  public:
    ScopedSerialFactory();
    ~ScopedSerialFactory();
    ScopedSerialFactory(const ScopedSerialFactory&) = delete;
    ScopedSerialFactory& operator=(const ScopedSerialFactory&) = delete;
    FakeSerialFactory factory;

  private:
    SerialDeviceFactory* previous_;
};

}  // namespace vindelor::test
