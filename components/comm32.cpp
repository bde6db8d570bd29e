#include "components/comm32.h"

#include "components/commthreads.h"
#include "components/portmap.h"
#include "components/serialdevice.h"
#include "platform/errortext.h"

#include <QDebug>
#include <QObject>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ios>
#include <mutex>

namespace vindelor {

namespace {

// The trace file and the name copy are process-wide: every instance writes into the
// one file, and a line is written only while the copy is non-empty.
struct TraceFile {
    std::mutex mutex;
    QString nameCopy;
    std::FILE* file = nullptr;
};

TraceFile& Trace() {
    static TraceFile trace;
    return trace;
}

std::atomic<bool> gPortOpenFailed{false};

struct FailureRecord {
    std::mutex mutex;
    PortFailure failure = PortFailure::None;
    QString detail;
    int error = 0;
};

FailureRecord& Failure() {
    static FailureRecord record;
    return record;
}

void RecordFailure(PortFailure failure, const QString& detail, int error = 0) {
    FailureRecord& r = Failure();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.failure = failure;
    r.detail = detail;
    r.error = error;
}

std::atomic<SerialDeviceFactory*> gFactory{nullptr};
std::atomic<int> gThreadExitTimeoutMs{10000};

SerialDeviceFactory& Factory() {
    SerialDeviceFactory* f = gFactory.load();
    return f != nullptr ? *f : PosixSerialDeviceFactory();
}

// Creates and starts one worker thread; throws when it cannot be had.
template <typename Thread>
std::shared_ptr<Thread> StartWorker(SerialDeviceFactory& factory, const char* which,
                                    const char* failure,
                                    const std::shared_ptr<SerialDevice>& device,
                                    const std::shared_ptr<CommCloseEvent>& closeEvent,
                                    const std::shared_ptr<CommNotifyTarget>& target) {
    int error = factory.BeforeThreadStart(which);
    auto thread = std::make_shared<Thread>(device, closeEvent, target);
    if (error == 0) {
        error = thread->Start();
    }
    if (error != 0) {
        TComm32::LogLastError(error, QString::fromLatin1(failure));
        RecordFailure(PortFailure::Internal, QString::fromLatin1(failure), error);
        throw ECommsError(failure);
    }
    return thread;
}

// Opens the port's device and records how that went.
OpenOutcome OpenAndRecord(SerialDeviceFactory& factory, const QString& device) {
    OpenOutcome outcome = factory.Open(device);
    if (outcome.device) {
        gPortOpenFailed = false;
        RecordFailure(PortFailure::None, QString());
        return outcome;
    }
    if (outcome.failure == PortFailure::None) {
        outcome.failure = PortFailure::Unusable;
    }
    gPortOpenFailed = true;
    RecordFailure(outcome.failure, outcome.detail, outcome.error);
    return outcome;
}

const char* OpenFailureText(bool notTerminal) {
    return notTerminal ? "File handle is not a comm handle. " : "Error opening com port";
}

// As OpenAndRecord, but a failed open throws.
std::shared_ptr<SerialDevice> OpenDevice(SerialDeviceFactory& factory, const QString& port) {
    OpenOutcome outcome = OpenAndRecord(factory, DeviceForPort(port));
    if (!outcome.device) {
        throw ECommsError(OpenFailureText(outcome.notTerminal));
    }
    return outcome.device;
}

// Ends one worker thread: signals the close event, purges the thread's direction of the
// port and waits at most `timeoutMs`. A thread that has not ended by then is given up
// (it ends on its own later); false in that case.
template <typename Thread>
bool StopWorker(std::shared_ptr<Thread>& thread, CommCloseEvent& closeEvent, SerialDevice& device,
                int purgeFlags, const char* closing, const char* notExiting, int timeoutMs) {
    if (!thread) {
        return true;
    }
    TComm32::LogCommsLine(QString::fromLatin1(closing));
    closeEvent.Signal();
    device.Purge(purgeFlags);
    const bool ended = thread->WaitFor(timeoutMs);
    if (!ended) {
        TComm32::LogCommsLine(QString::fromLatin1(notExiting));
        thread->Detach();
    }
    thread.reset();
    return ended;
}

}  // namespace

// The hidden window: receives the threads' messages on the thread that made the component.
class CommNotifier : public QObject {
  public:
    explicit CommNotifier(TComm32* owner) : owner_(owner) {}

    bool event(QEvent* e) override {
        if (e->type() == CommDataEventType()) {
            auto* data = static_cast<CommDataEvent*>(e);
            if (const TComm32::TReceiveDataEvent handler = owner_->OnReceiveData()) {
                handler(data->Block(), static_cast<std::uint16_t>(data->Count() & 0xFFFF));
            }
            return true;  // Qt deletes the event, and with it the block
        }
        if (e->type() == CommHangupEventType()) {
            if (const TComm32::TNotifyEvent handler = owner_->OnRequestHangup()) {
                handler(owner_);
            }
            return true;
        }
        return QObject::event(e);
    }

  private:
    TComm32* owner_;
};

struct TComm32::Impl {
    QString commPort = QStringLiteral("COM2");
    std::int32_t baudRate = 0;
    QString logFileName;
    TReceiveDataEvent onReceiveData;
    TNotifyEvent onRequestHangup;

    std::unique_ptr<CommNotifier> notifier;
    std::shared_ptr<CommNotifyTarget> target;
    std::shared_ptr<SerialDevice> device;  // non-null is the one test for "open"
    std::shared_ptr<CommCloseEvent> closeEvent;
    std::shared_ptr<TReadThread> readThread;
    std::shared_ptr<TWriteThread> writeThread;
};

TComm32::TComm32(QObject* owner) : QObject(owner), d(std::make_unique<Impl>()) {
    {
        TraceFile& t = Trace();
        std::lock_guard<std::mutex> lock(t.mutex);
        t.nameCopy.clear();
    }
    d->notifier = std::make_unique<CommNotifier>(this);
}

TComm32::~TComm32() {
    // Worker threads post to this object; leaving them running past its end would let
    // them post into freed memory, so an open port is closed here.
    ClosePort();
    if (d->target) {
        d->target->Disconnect();
    }
}

QString TComm32::CommPort() const {
    return d->commPort;
}
void TComm32::SetCommPort(const QString& port) {
    d->commPort = port;
}
std::int32_t TComm32::BaudRate() const {
    return d->baudRate;
}
void TComm32::SetBaudRate(std::int32_t rate) {
    d->baudRate = rate;
}
QString TComm32::CommsLogFileName() const {
    return d->logFileName;
}

void TComm32::SetCommsLogFileName(const QString& name) {
    d->logFileName = name;
    TraceFile& t = Trace();
    std::lock_guard<std::mutex> lock(t.mutex);
    t.nameCopy = name;
}

TComm32::TReceiveDataEvent TComm32::OnReceiveData() const {
    return d->onReceiveData;
}
void TComm32::SetOnReceiveData(TReceiveDataEvent handler) {
    d->onReceiveData = std::move(handler);
}
TComm32::TNotifyEvent TComm32::OnRequestHangup() const {
    return d->onRequestHangup;
}
void TComm32::SetOnRequestHangup(TNotifyEvent handler) {
    d->onRequestHangup = std::move(handler);
}

bool TComm32::IsOpen() const {
    return d->device != nullptr;
}

bool TComm32::OpenPort() {
    if (d->device) {
        throw ECommsError("Already have a comm file open");
    }
    if (!d->logFileName.isEmpty()) {
        TraceFile& t = Trace();
        std::lock_guard<std::mutex> lock(t.mutex);
        if (t.file != nullptr) {
            std::fclose(t.file);
        }
        t.file = std::fopen(d->logFileName.toLocal8Bit().constData(), "wb");
        if (t.file == nullptr) {
            throw std::ios_base::failure(
                std::string("Cannot create trace file ") + d->logFileName.toStdString(),
                std::error_code(errno, std::generic_category()));
        }
    }

    SerialDeviceFactory& factory = Factory();
    const std::shared_ptr<SerialDevice> device = OpenDevice(factory, d->commPort);
    // Settings the driver refuses do not fail the open.
    device->Configure(d->baudRate);

    const int eventFd = factory.CreateEventFd();
    if (eventFd < 0) {
        LogLastError(-eventFd, QStringLiteral("Unable to CreateEvent: "));
        RecordFailure(PortFailure::Internal, QStringLiteral("Unable to CreateEvent"), -eventFd);
        device->Close();
        return false;
    }
    d->device = device;
    d->closeEvent = std::make_shared<CommCloseEvent>(eventFd);
    d->target = std::make_shared<CommNotifyTarget>(d->notifier.get());

    // The reader used to run at the highest priority and the writer above normal. Linux
    // lets an ordinary user lower a thread's priority but not raise it (that takes
    // CAP_SYS_NICE or a real-time limit), so both run at the process's own; on a probe
    // they do no work worth preferring anyway.
    try {
        d->readThread = StartWorker<TReadThread>(factory, "Read", "Unable to create Read thread",
                                                 d->device, d->closeEvent, d->target);
        d->writeThread = StartWorker<TWriteThread>(
            factory, "Write", "Unable to create Write thread", d->device, d->closeEvent, d->target);
    } catch (const ECommsError&) {
        // A port left open here would read as busy to every later probe, a connection that
        // never ends.
        ClosePort();
        throw;
    }
    return true;
}

bool TComm32::ProbePort() {
    if (d->device) {
        throw ECommsError("Already have a comm file open");
    }
    const PortLook look = LookAtPort();
    if (look.failure != PortFailure::None) {
        throw ECommsError(OpenFailureText(look.notTerminal));
    }
    return true;
}

PortLook TComm32::LookAtPort() {
    PortLook look;
    look.device = DeviceForPort(d->commPort);
    if (d->device) {
        look.failure = PortFailure::Internal;
        look.detail = QStringLiteral("Already have a comm file open");
        return look;
    }
    const OpenOutcome outcome = OpenAndRecord(Factory(), look.device);
    if (outcome.device) {
        outcome.device->Close();
        return look;
    }
    look.failure = outcome.failure;
    look.notTerminal = outcome.notTerminal;
    look.error = outcome.error;
    look.detail = outcome.detail;
    look.holder = outcome.holder;
    return look;
}

std::unique_ptr<platform::HolderEvents> TComm32::WatchPortRelease() const {
    return Factory().WatchRelease(DeviceForPort(d->commPort));
}

void TComm32::ClosePort() {
    if (!d->device) {
        return;
    }
    LogCommsLine(QStringLiteral("Stopping the Comm"));
    const int timeout = gThreadExitTimeoutMs.load();
    // Reader first, then writer, each told to end, its direction of the port purged.
    bool abandoned =
        !StopWorker(d->readThread, *d->closeEvent, *d->device, kPurgeRxAbort | kPurgeRxClear,
                    "Closing Read Thread ", "Read thread not exiting.  Terminating it.", timeout);
    abandoned |=
        !StopWorker(d->writeThread, *d->closeEvent, *d->device, kPurgeTxAbort | kPurgeTxClear,
                    "Closing Write Thread", "Write thread not exiting.  Terminating it.", timeout);
    if (abandoned) {
        // A thread left to itself keeps the device and the close event alive through its
        // own references; it must not reach this component any more.
        d->target->Disconnect();
    }
    // Releases the port now, even while an abandoned thread still holds the object.
    d->device->Close();
    d->device.reset();
    d->closeEvent.reset();
    if (!d->logFileName.isEmpty()) {
        TraceFile& t = Trace();
        std::lock_guard<std::mutex> lock(t.mutex);
        if (t.file != nullptr) {
            std::fclose(t.file);
            t.file = nullptr;
        }
    }
}

bool TComm32::WriteString(const QByteArray& bytes) {
    if (!d->device || !d->writeThread) {
        return false;
    }
    return d->writeThread->PostMessage(kWriteRequestMessage, bytes);
}

void TComm32::LogCommsLine(const QString& text) {
    TraceFile& t = Trace();
    std::lock_guard<std::mutex> lock(t.mutex);
    if (t.nameCopy.isEmpty() || t.file == nullptr) {
        return;
    }
    // One write per line under the lock: lines of the three threads never mix.
    const QByteArray line = text.toLocal8Bit() + "\r\n";
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), t.file);
    std::fflush(t.file);
}

void TComm32::LogLastError(int code, const QString& prefix) {
    const QString text = FormatLastError(code);
    if (text.isNull()) {
        LogCommsLine(prefix + QStringLiteral("Out of memory"));
        return;
    }
    LogCommsLine(prefix + QStringLiteral("GetLastError returned: \"") + text +
                 QStringLiteral("\""));
}

QString TComm32::FormatLastError(int code) {
    errno = 0;
    const QString text = platform::ErrorText(code);
    if (text.isEmpty()) {
        const int failure = errno;
        return QStringLiteral("FormatMessage failed on error %1 for the following reason: %2")
            .arg(code)
            .arg(failure);
    }
    return text;
}

bool TComm32::PortOpenFailed() {
    return gPortOpenFailed.load();
}
void TComm32::SetPortOpenFailed(bool failed) {
    gPortOpenFailed = failed;
}

PortFailure TComm32::LastFailure() {
    FailureRecord& r = Failure();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.failure;
}

QString TComm32::LastFailureDetail() {
    FailureRecord& r = Failure();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.detail;
}

int TComm32::LastFailureError() {
    FailureRecord& r = Failure();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.error;
}

SerialDeviceFactory* TComm32::SetDeviceFactory(SerialDeviceFactory* factory) {
    return gFactory.exchange(factory);
}

int TComm32::SetThreadExitTimeout(int milliseconds) {
    return gThreadExitTimeoutMs.exchange(milliseconds);
}

}  // namespace vindelor
