// The two worker threads of an open TComm32 port. The reader waits for incoming bytes
// and line errors and hands them to the component's window thread; the writer writes
// the requests queued for it. Both end when the component signals its close event and
// ask the owner to give up the port (a hang-up request) when the port fails under them.
#pragma once

#include "components/serialdevice.h"

#include <QByteArray>
#include <QEvent>
#include <QLoggingCategory>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

class QObject;

namespace vindelor {

// Debug output of the component ("Time to Exit"); off unless enabled by logging rules.
Q_DECLARE_LOGGING_CATEGORY(lcCommDebug)

// Message numbers, as the owner's code has always known them.
inline constexpr unsigned kCommDataMessage = 1025;      // bytes or a line-error report
inline constexpr unsigned kCommHangupMessage = 1026;    // the port failed: give it up
inline constexpr unsigned kWriteRequestMessage = 1025;  // writer queue: bytes to write

// Qt event types that carry the two messages to the component's thread.
QEvent::Type CommDataEventType();
QEvent::Type CommHangupEventType();

// CommDataMessage on its way to the window thread. The block (the bytes, then a zero
// byte) belongs to the event: it is freed with the event, whether or not a handler saw it.
class CommDataEvent : public QEvent {
  public:
    CommDataEvent(const char* bytes, std::size_t count);
    std::uint32_t Count() const { return count_; }
    const char* Block() const { return block_.get(); }

  private:
    std::uint32_t count_;
    std::unique_ptr<char[]> block_;
};

// The manual-reset close event: an eventfd that stays readable once signalled, so every
// poll() that includes it returns at once from then on.
class CommCloseEvent {
  public:
    explicit CommCloseEvent(int fd) : fd_(fd) {}
    ~CommCloseEvent();
    CommCloseEvent(const CommCloseEvent&) = delete;
    CommCloseEvent& operator=(const CommCloseEvent&) = delete;
    int Fd() const { return fd_; }
    void Signal();
    bool IsSignalled() const;  // a zero-time wait

  private:
    int fd_;
};

// Stands in for the component's hidden window: the threads post to it, and the component
// cuts it off before it goes away, so a thread that outlives its port posts into nothing.
class CommNotifyTarget {
  public:
    explicit CommNotifyTarget(QObject* receiver) : receiver_(receiver) {}
    // False when the receiver is gone; the event is then dropped (and its block freed).
    bool Post(QEvent* event);
    void Disconnect();

  private:
    std::mutex mutex_;
    QObject* receiver_;
};

// Common base: a thread made suspended, started once, that can be waited for with a
// deadline and left to itself when it does not end. It keeps itself alive while it runs,
// so the owner may drop it at any time.
class TCommThread : public std::enable_shared_from_this<TCommThread> {
  public:
    TCommThread(std::shared_ptr<SerialDevice> port, std::shared_ptr<CommCloseEvent> closeEvent,
                std::shared_ptr<CommNotifyTarget> notifyWindow);
    virtual ~TCommThread();
    TCommThread(const TCommThread&) = delete;
    TCommThread& operator=(const TCommThread&) = delete;

    // Starts the thread; 0 or an errno.
    int Start();
    // True once the body has finished (the thread is then joined).
    bool WaitFor(int timeoutMs);
    // Gives the thread up: it finishes on its own and frees itself.
    void Detach();
    bool Finished() const;

  protected:
    virtual void Execute() = 0;
    void PostHangupRequest();

    const std::shared_ptr<SerialDevice> PortHandle;
    const std::shared_ptr<CommCloseEvent> CloseEvent;
    const std::shared_ptr<CommNotifyTarget> NotifyWindow;

  private:
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
};

class TReadThread : public TCommThread {
  public:
    using TCommThread::TCommThread;
    static constexpr std::size_t kBufferSize = 2048;

  protected:
    void Execute() override;

  private:
    bool SetupReadEvent();
    bool HandleReadEvent(bool hungUp);
    bool PostReceivedData(const char* bytes, std::size_t count);
    bool SetupCommEvent();
    bool HandleCommEvent(bool retrieve);

    char buffer_[kBufferSize] = {};
    std::uint32_t eventMask_ = 0;
    int lastError_ = 0;  // errno of the last failed call, for the trace
};

class TWriteThread : public TCommThread {
  public:
    TWriteThread(std::shared_ptr<SerialDevice> port, std::shared_ptr<CommCloseEvent> closeEvent,
                 std::shared_ptr<CommNotifyTarget> notifyWindow);
    ~TWriteThread() override;

    // Queues a message for the thread (kWriteRequestMessage with bytes to write). False
    // when the queue cannot be woken.
    bool PostMessage(unsigned message, const QByteArray& bytes);

  protected:
    void Execute() override;

  private:
    struct Message {
        unsigned message;
        QByteArray bytes;
    };
    bool WriteComm(const char* block, std::size_t count);

    std::mutex queueMutex_;
    std::deque<Message> queue_;
    int queueFd_;  // eventfd: new input in the queue
    int lastError_ = 0;
};

}  // namespace vindelor
