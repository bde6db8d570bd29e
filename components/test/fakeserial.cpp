#include "components/test/fakeserial.h"

#include "platform/io.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace vindelor::test {

FakeSerialDevice::FakeSerialDevice() = default;

FakeSerialDevice::~FakeSerialDevice() = default;

void FakeSerialDevice::Wake() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const int fd : waiters_) {
            platform::SignalEventFd(fd);
        }
    }
    changed_.notify_all();
}

void FakeSerialDevice::PushData(const QByteArray& bytes) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        reads_.push_back({{0, static_cast<std::size_t>(bytes.size())}, bytes});
    }
    Wake();
}

void FakeSerialDevice::PushReadResult(IoResult result) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        reads_.push_back({result, {}});
    }
    Wake();
}

void FakeSerialDevice::PushWriteResult(IoResult result) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        writes_.push_back(result);
    }
    Wake();
}

void FakeSerialDevice::PushWait(WaitResult result) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waits_.push_back(result);
    }
    Wake();
}

void FakeSerialDevice::RaiseLineError(std::uint32_t errors, std::uint32_t mask) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lineErrors_.push_back({errors, mask});
    }
    Wake();
}

void FakeSerialDevice::FailSetLineErrorMask(int error) {
    std::lock_guard<std::mutex> lock(mutex_);
    maskError_ = error;
}

void FakeSerialDevice::FailWaitCommEvent(int error) {
    std::lock_guard<std::mutex> lock(mutex_);
    commEventError_ = error;
}

void FakeSerialDevice::FailClearCommError(int error) {
    std::lock_guard<std::mutex> lock(mutex_);
    clearError_ = error;
}

void FakeSerialDevice::SetStuck(bool stuck) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stuck_ = stuck;
    }
    Wake();
}

void FakeSerialDevice::SetWritable(bool writable) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        writable_ = writable;
    }
    Wake();
}

void FakeSerialDevice::HoldNextReadUntilClose() {
    std::lock_guard<std::mutex> lock(mutex_);
    holdRead_ = true;
}

bool FakeSerialDevice::WaitForHeldRead(int timeoutMs) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return readHeld_; });
}

QByteArray FakeSerialDevice::Written() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return written_;
}

std::vector<int> FakeSerialDevice::Purges() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return purges_;
}

bool FakeSerialDevice::Closed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return closed_;
}

std::int32_t FakeSerialDevice::ConfiguredBaud() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return baud_;
}

int FakeSerialDevice::Waits() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return waitCount_;
}

bool FakeSerialDevice::WaitForWaits(int count, int timeoutMs) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return waitCount_ >= count; });
}

int FakeSerialDevice::Configure(std::int32_t baudRate) {
    std::lock_guard<std::mutex> lock(mutex_);
    baud_ = baudRate;
    return 0;
}

int FakeSerialDevice::SetLineErrorMask() {
    std::lock_guard<std::mutex> lock(mutex_);
    return maskError_;
}

int FakeSerialDevice::WaitCommEvent(std::uint32_t* mask) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) {
        return EBADF;
    }
    if (commEventError_ != 0) {
        return commEventError_;
    }
    if (lineErrors_.empty()) {
        return EAGAIN;
    }
    *mask = lineErrors_.front().mask;
    currentErrors_ = lineErrors_.front().errors;
    lineErrors_.pop_front();
    return 0;
}

int FakeSerialDevice::ClearCommError(std::uint32_t* errors) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (clearError_ != 0) {
        return clearError_;
    }
    *errors = currentErrors_;
    currentErrors_ = 0;
    return 0;
}

IoResult FakeSerialDevice::Read(char* buffer, std::size_t size) {
    int holdFd = -1;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (holdRead_ && !closed_) {
            holdRead_ = false;
            readHeld_ = true;
            holdFd = lastCloseFd_;
        }
    }
    changed_.notify_all();
    if (holdFd >= 0) {
        platform::PollFd p{holdFd, platform::kPollIn, 0};
        while (platform::Poll(&p, 1, -1).error == EINTR) {
        }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) {
        return {EBADF, 0};
    }
    if (reads_.empty()) {
        return {EAGAIN, 0};
    }
    ReadStep& step = reads_.front();
    if (step.result.error != 0 || step.bytes.isEmpty()) {
        const IoResult result = step.result;
        reads_.pop_front();
        return result;
    }
    const std::size_t n = std::min(size, static_cast<std::size_t>(step.bytes.size()));
    std::memcpy(buffer, step.bytes.constData(), n);
    step.bytes.remove(0, static_cast<qsizetype>(n));
    if (step.bytes.isEmpty()) {
        reads_.pop_front();
    }
    return {0, n};
}

IoResult FakeSerialDevice::Write(const char* buffer, std::size_t size) {
    IoResult result{0, size};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_) {
            return {EBADF, 0};
        }
        if (!writes_.empty()) {
            result = writes_.front();
            writes_.pop_front();
            if (result.error == 0) {
                result.bytes = std::min(result.bytes, size);
            }
        }
        if (result.error == 0) {
            written_.append(buffer, static_cast<qsizetype>(result.bytes));
        }
    }
    changed_.notify_all();
    return result;
}

WaitResult FakeSerialDevice::Wait(int closeFd, bool forWrite) {
    // Each waiter sleeps on its own eventfd, so one wake-up reaches every waiting thread.
    const platform::IoOutcome wake = platform::NewEventFd();
    if (wake.error != 0) {
        return {WaitKind::Failed, wake.error};
    }
    const int wakeFd = static_cast<int>(wake.value);
    struct Unregister {
        FakeSerialDevice* self;
        int fd;
        ~Unregister() {
            std::lock_guard<std::mutex> lock(self->mutex_);
            self->waiters_.erase(std::remove(self->waiters_.begin(), self->waiters_.end(), fd),
                                 self->waiters_.end());
            platform::CloseFd(fd);
        }
    } unregister{this, wakeFd};
    bool stuck;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiters_.push_back(wakeFd);
        ++waitCount_;
        lastCloseFd_ = closeFd;
    }
    changed_.notify_all();
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!waits_.empty()) {
                const WaitResult result = waits_.front();
                waits_.pop_front();
                return result;
            }
            stuck = stuck_;
        }
        platform::PollFd fds[2] = {{closeFd, platform::kPollIn, 0}, {wakeFd, platform::kPollIn, 0}};
        if (!stuck) {
            if (platform::Poll(fds, 1, 0).value > 0) {
                return {WaitKind::Close, 0};
            }
            std::lock_guard<std::mutex> lock(mutex_);
            if (!forWrite && !lineErrors_.empty()) {
                return {WaitKind::CommEvent, 0};
            }
            if (forWrite ? writable_ : !reads_.empty()) {
                return {WaitKind::Ready, 0};
            }
        }
        // Sleep until the close event or the script changes; a stuck port ignores the
        // close event, as a driver that never returns would.
        if (const platform::IoOutcome polled =
                platform::Poll(stuck ? fds + 1 : fds, stuck ? 1 : 2, -1);
            polled.error != 0 && polled.error != EINTR) {
            return {WaitKind::Failed, polled.error};
        }
        platform::DrainEventFd(wakeFd);
    }
}

void FakeSerialDevice::Purge(int flags) {
    std::lock_guard<std::mutex> lock(mutex_);
    purges_.push_back(flags);
}

void FakeSerialDevice::Close() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }
    Wake();
}

OpenOutcome FakeSerialFactory::Open(const QString& devicePath) {
    ++opens;
    lastPath = devicePath;
    OpenOutcome out;
    switch (mode) {
        case Mode::Free:
            out.device = nextDevice ? nextDevice : std::make_shared<FakeSerialDevice>();
            lastDevice =
                nextDevice ? nextDevice : std::static_pointer_cast<FakeSerialDevice>(out.device);
            nextDevice.reset();
            break;
        case Mode::Busy:
            out.failure = PortFailure::Busy;
            out.error = EBUSY;
            out.detail = devicePath + QStringLiteral(": in use by process 4242");
            break;
        case Mode::Unusable:
            out.failure = PortFailure::Unusable;
            out.error = ENOENT;
            out.detail = devicePath + QStringLiteral(": No such file or directory");
            break;
        case Mode::NotTerminal:
            out.failure = PortFailure::Unusable;
            out.notTerminal = true;
            out.error = ENOTTY;
            out.detail = devicePath + QStringLiteral(": not a terminal");
            break;
    }
    return out;
}

int FakeSerialFactory::CreateEventFd() {
    if (eventFdError != 0) {
        return -eventFdError;
    }
    return SerialDeviceFactory::CreateEventFd();
}

int FakeSerialFactory::BeforeThreadStart(const char* which) {
    if (std::strcmp(which, "Read") == 0) {
        return readThreadError;
    }
    return writeThreadError;
}

ScopedSerialFactory::ScopedSerialFactory() : previous_(TComm32::SetDeviceFactory(&factory)) {}

ScopedSerialFactory::~ScopedSerialFactory() {
    TComm32::SetDeviceFactory(previous_);
}

}  // namespace vindelor::test
