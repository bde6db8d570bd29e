#include "components/commthreads.h"

#include "platform/io.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLoggingCategory>
#include <QObject>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>
#include <system_error>

namespace vindelor {

// The debugger output of the original: silent unless asked for, e.g. with
// QT_LOGGING_RULES="vindelor.comm.debug=true".
Q_LOGGING_CATEGORY(lcCommDebug, "vindelor.comm", QtInfoMsg)

namespace {

const QString kInvalidHandle =
    QStringLiteral("ERROR_INVALID_HANDLE, Likely that the Service Provider has closed the port.");

void Trace(const char* text) {
    TComm32::LogCommsLine(QString::fromLatin1(text));
}

}  // namespace

QEvent::Type CommDataEventType() {
    static const auto type =
        static_cast<QEvent::Type>(QEvent::registerEventType(QEvent::User + kCommDataMessage));
    return type;
}

QEvent::Type CommHangupEventType() {
    static const auto type =
        static_cast<QEvent::Type>(QEvent::registerEventType(QEvent::User + kCommHangupMessage));
    return type;
}

CommDataEvent::CommDataEvent(const char* bytes, std::size_t count)
    : QEvent(CommDataEventType()),
      count_(static_cast<std::uint32_t>(count)),
      block_(new char[count + 1]()) {
    std::memcpy(block_.get(), bytes, count);
}

CommCloseEvent::~CommCloseEvent() {
    if (fd_ >= 0) {
        platform::CloseFd(fd_);
    }
}

void CommCloseEvent::Signal() {
    platform::SignalEventFd(fd_);
}

bool CommCloseEvent::IsSignalled() const {
    return platform::IsReadable(fd_);
}

bool CommNotifyTarget::Post(QEvent* event) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (receiver_ == nullptr) {
        delete event;
        return false;
    }
    QCoreApplication::postEvent(receiver_, event);
    return true;
}

void CommNotifyTarget::Disconnect() {
    std::lock_guard<std::mutex> lock(mutex_);
    receiver_ = nullptr;
}

TCommThread::TCommThread(std::shared_ptr<SerialDevice> port,
                         std::shared_ptr<CommCloseEvent> closeEvent,
                         std::shared_ptr<CommNotifyTarget> notifyWindow)
    : PortHandle(std::move(port)),
      CloseEvent(std::move(closeEvent)),
      NotifyWindow(std::move(notifyWindow)) {}

TCommThread::~TCommThread() {
    if (thread_.joinable()) {
        // The last reference can go with the thread's own closure; a thread cannot join
        // itself.
        if (thread_.get_id() == std::this_thread::get_id()) {
            thread_.detach();
        } else {
            thread_.join();
        }
    }
}

int TCommThread::Start() {
    std::shared_ptr<TCommThread> self = shared_from_this();
    try {
        thread_ = std::thread([self] {
            self->Execute();
            {
                std::lock_guard<std::mutex> lock(self->mutex_);
                self->finished_ = true;
            }
            self->done_.notify_all();
        });
    } catch (const std::system_error& e) {
        return e.code().value() != 0 ? e.code().value() : EAGAIN;
    }
    return 0;
}

bool TCommThread::WaitFor(int timeoutMs) {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!done_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [this] { return finished_; })) {
            return false;
        }
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    return true;
}

void TCommThread::Detach() {
    if (thread_.joinable()) {
        thread_.detach();
    }
}

bool TCommThread::Finished() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return finished_;
}

void TCommThread::PostHangupRequest() {
    NotifyWindow->Post(new QEvent(CommHangupEventType()));
}

// ---------------------------------------------------------------------------------------
// Reader

void TReadThread::Execute() {
    // The two request events of the overlapped model have no counterpart here: poll()
    // waits on the port and the close event directly.
    if (const int e = PortHandle->SetLineErrorMask(); e != 0) {
        TComm32::LogLastError(e, QStringLiteral("Unable to SetCommMask: "));
        PostHangupRequest();
    } else if (!SetupCommEvent()) {
        TComm32::LogLastError(lastError_, QStringLiteral("Unable to SetupCommEvent1: "));
        PostHangupRequest();
    } else if (!SetupReadEvent()) {
        TComm32::LogLastError(lastError_, QStringLiteral("Unable to SetupReadEvent: "));
        PostHangupRequest();
    } else {
        for (bool running = true; running;) {
            const WaitResult w = PortHandle->Wait(CloseEvent->Fd(), false);
            switch (w.kind) {
                case WaitKind::Failed:
                    TComm32::LogLastError(w.error, QStringLiteral("Read WAIT_FAILED: "));
                    PostHangupRequest();
                    running = false;
                    break;
                case WaitKind::Close:
                    qCDebug(lcCommDebug, "Time to Exit");
                    running = false;
                    break;
                case WaitKind::CommEvent:
                    if (!HandleCommEvent(true)) {
                        PostHangupRequest();
                        TComm32::LogLastError(lastError_,
                                              QStringLiteral("Unable HandleCommEvent: "));
                        running = false;
                    } else if (!SetupCommEvent()) {
                        PostHangupRequest();
                        TComm32::LogLastError(lastError_,
                                              QStringLiteral("Unable to SetupCommEvent2: "));
                        running = false;
                    }
                    break;
                case WaitKind::Ready:
                case WaitKind::Hangup:
                    if (!HandleReadEvent(w.kind == WaitKind::Hangup)) {
                        PostHangupRequest();
                        TComm32::LogLastError(lastError_,
                                              QStringLiteral("Unable to HandleReadEvent: "));
                        running = false;
                    } else if (!SetupReadEvent()) {
                        PostHangupRequest();
                        running = false;
                    }
                    break;
                default:
                    TComm32::LogCommsLine(QStringLiteral("Unexpected Wait return value ") +
                                          QString::number(static_cast<int>(w.kind)));
                    PostHangupRequest();
                    running = false;
                    break;
            }
        }
    }
    Trace("Read thread shutting down");
    PortHandle->Purge(kPurgeRxAbort | kPurgeRxClear);
}

bool TReadThread::SetupReadEvent() {
    for (;;) {
        if (CloseEvent->IsSignalled()) {
            return false;
        }
        const IoResult r = PortHandle->Read(buffer_, kBufferSize);
        if (r.error == 0) {
            Trace("Data waiting for ReadFile: ");
            if (!PostReceivedData(buffer_, r.bytes)) {
                return false;
            }
            continue;
        }
        lastError_ = r.error;
        if (r.error == EAGAIN) {
            Trace("Waiting for data from comm connection.");
            return true;
        }
        if (r.error == EBADF) {
            TComm32::LogCommsLine(kInvalidHandle);
            return false;
        }
        TComm32::LogLastError(r.error, QStringLiteral("Unexpected ReadFile error: "));
        PostHangupRequest();
        return false;
    }
}

bool TReadThread::HandleReadEvent(bool hungUp) {
    IoResult r = PortHandle->Read(buffer_, kBufferSize);
    if (r.error == EAGAIN) {
        if (!hungUp) {
            return true;  // woken without data: wait again
        }
        // The line hung up and nothing is left to read: that is a failed read, not a
        // reason to poll the dead port in a loop.
        r.error = EIO;
    }
    if (r.error == 0) {
        return PostReceivedData(buffer_, r.bytes);
    }
    lastError_ = r.error;
    if (r.error == EBADF) {
        TComm32::LogCommsLine(kInvalidHandle);
        return false;
    }
    TComm32::LogLastError(r.error, QStringLiteral("Unexpected GetOverlappedResult Read Error: "));
    PostHangupRequest();
    return false;
}

bool TReadThread::PostReceivedData(const char* bytes, std::size_t count) {
    if (count == 0) {
        return false;  // the other side closed: end the reader
    }
    Trace("Got something from Comm port!!!");
    CommDataEvent* event = nullptr;
    try {
        event = new CommDataEvent(bytes, count);
    } catch (const std::bad_alloc&) {
        lastError_ = ENOMEM;
        TComm32::LogLastError(ENOMEM, QStringLiteral("LocalAlloc: "));
        return false;
    }
    return NotifyWindow->Post(event);
}

bool TReadThread::SetupCommEvent() {
    for (;;) {
        if (CloseEvent->IsSignalled()) {
            return false;
        }
        const int e = PortHandle->WaitCommEvent(&eventMask_);
        if (e == 0) {
            Trace("Event (Error) waiting before WaitCommEvent.");
            if (!HandleCommEvent(false)) {
                return false;
            }
            continue;
        }
        lastError_ = e;
        if (e == EAGAIN) {
            Trace("Waiting for a CommEvent (Error) to occur.");
            return true;
        }
        if (e == EBADF) {
            TComm32::LogCommsLine(kInvalidHandle);
            return false;
        }
        TComm32::LogLastError(e, QStringLiteral("Unexpected WaitCommEvent error: "));
        return false;
    }
}

bool TReadThread::HandleCommEvent(bool retrieve) {
    if (retrieve) {
        const int e = PortHandle->WaitCommEvent(&eventMask_);
        if (e != 0) {
            lastError_ = e;
            if (e == EBADF) {
                TComm32::LogCommsLine(kInvalidHandle);
            } else {
                TComm32::LogLastError(
                    e, QStringLiteral("Unexpected GetOverlappedResult for WaitCommEvent: "));
            }
            return false;
        }
    }
    if ((eventMask_ & kEvErr) == 0) {
        TComm32::LogCommsLine(QStringLiteral("Unexpected comm event ") +
                              QString::number(eventMask_));
        return false;
    }
    std::uint32_t errors = 0;
    if (const int e = PortHandle->ClearCommError(&errors); e != 0) {
        lastError_ = e;
        if (e == EBADF) {
            TComm32::LogCommsLine(kInvalidHandle);
        } else {
            TComm32::LogLastError(e, QStringLiteral("ClearCommError: "));
        }
        return false;
    }
    QByteArray description;
    if (errors == 0) {
        description = "NULL Error";
    }
    const auto add = [&description](const char* name) {
        if (!description.isEmpty()) {
            description += " and ";
        }
        description += name;
    };
    if (errors & kCeFrame) {
        add("CE_FRAME");
    }
    if (errors & kCeOverrun) {
        add("CE_OVERRUN");
    }
    if (errors & kCeRxParity) {
        add("CE_RXPARITY");
    }
    if (errors & ~(kCeFrame | kCeOverrun | kCeRxParity)) {
        add("EV_ERR Unknown EvtMask");
    }
    description.truncate(128);
    const QByteArray report =
        "Comm Event: " + description + ", EvtMask = " + QByteArray::number(errors);
    try {
        NotifyWindow->Post(new CommDataEvent(report.constData(), report.size()));
    } catch (const std::bad_alloc&) {
        lastError_ = ENOMEM;
        TComm32::LogLastError(ENOMEM, QStringLiteral("LocalAlloc: "));
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// Writer

TWriteThread::TWriteThread(std::shared_ptr<SerialDevice> port,
                           std::shared_ptr<CommCloseEvent> closeEvent,
                           std::shared_ptr<CommNotifyTarget> notifyWindow)
    : TCommThread(std::move(port), std::move(closeEvent), std::move(notifyWindow)),
      queueFd_(static_cast<int>(platform::NewEventFd().value)) {}

TWriteThread::~TWriteThread() {
    if (queueFd_ >= 0) {
        platform::CloseFd(queueFd_);
    }
}

bool TWriteThread::PostMessage(unsigned message, const QByteArray& bytes) {
    if (queueFd_ < 0) {
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        queue_.push_back({message, bytes});
    }
    return platform::SignalEventFd(queueFd_);
}

void TWriteThread::Execute() {
    if (queueFd_ < 0) {
        TComm32::LogLastError(EMFILE, QStringLiteral("Unable to CreateEvent: "));
        PostHangupRequest();
    } else {
        for (;;) {
            Message message;
            bool have = false;
            {
                std::lock_guard<std::mutex> lock(queueMutex_);
                if (!queue_.empty()) {
                    message = std::move(queue_.front());
                    queue_.pop_front();
                    have = true;
                }
            }
            if (have) {
                if (CloseEvent->IsSignalled()) {
                    break;
                }
                if (message.message == kWriteRequestMessage) {
                    Trace("Writing to comm port");
                    const bool ok = WriteComm(message.bytes.constData(),
                                              static_cast<std::size_t>(message.bytes.size()));
                    message.bytes.clear();  // the request's block goes whatever the outcome
                    if (!ok) {
                        break;
                    }
                } else {
                    TComm32::LogCommsLine(
                        QStringLiteral("Unexpected message posted to Write thread: ") +
                        QString::number(message.message));
                }
                continue;
            }
            platform::PollFd fds[2] = {{CloseEvent->Fd(), platform::kPollIn, 0},
                                       {queueFd_, platform::kPollIn, 0}};
            if (const platform::IoOutcome polled = platform::Poll(fds, 2, -1); polled.error != 0) {
                if (polled.error == EINTR) {
                    continue;
                }
                TComm32::LogLastError(polled.error, QStringLiteral("Write WAIT_FAILED: "));
                PostHangupRequest();
                break;
            }
            if (fds[0].revents != 0) {
                break;
            }
            platform::DrainEventFd(queueFd_);
        }
    }
    Trace("Write thread shutting down");
    PortHandle->Purge(kPurgeTxAbort | kPurgeTxClear);
}

bool TWriteThread::WriteComm(const char* block, std::size_t count) {
    std::size_t position = 0;
    while (position < count) {
        IoResult r = PortHandle->Write(block + position, count - position);
        bool waited = false;
        while (r.error == EAGAIN || (r.error == 0 && r.bytes == 0)) {
            const WaitResult w = PortHandle->Wait(CloseEvent->Fd(), true);
            switch (w.kind) {
                case WaitKind::Failed:
                    TComm32::LogLastError(w.error, QStringLiteral("Write WAIT_FAILED: "));
                    PostHangupRequest();
                    return false;
                case WaitKind::Close:
                    return false;
                case WaitKind::Ready:
                case WaitKind::Hangup:
                case WaitKind::CommEvent:
                    break;
                default:
                    TComm32::LogCommsLine(QStringLiteral("Unexpected Wait return value ") +
                                          QString::number(static_cast<int>(w.kind)));
                    PostHangupRequest();
                    return false;
            }
            r = PortHandle->Write(block + position, count - position);
            waited = true;
        }
        if (r.error == 0) {
            position += r.bytes;
            continue;
        }
        lastError_ = r.error;
        if (r.error == EBADF) {
            TComm32::LogCommsLine(kInvalidHandle);
            return false;
        }
        TComm32::LogLastError(r.error,
                              waited ? QStringLiteral("Error writing to CommFile while waiting")
                                     : QStringLiteral("Error to writing to CommFile"));
        Trace("Closing TAPI");
        PostHangupRequest();
        return false;
    }
    return true;
}

}  // namespace vindelor
