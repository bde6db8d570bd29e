#include "components/serialdevice.h"

#include "platform/errortext.h"
#include "platform/io.h"
#include "platform/serial/termios.h"
#include "platform/serialport.h"

#include <atomic>
#include <cerrno>
#include <mutex>

namespace vindelor {

int SerialDeviceFactory::CreateEventFd() {
    const platform::IoOutcome fd = platform::NewEventFd();
    return fd.error == 0 ? static_cast<int>(fd.value) : -fd.error;
}

int SerialDeviceFactory::BeforeThreadStart(const char*) {
    return 0;
}

std::unique_ptr<platform::HolderEvents> SerialDeviceFactory::WatchRelease(const QString&) {
    return nullptr;
}

std::size_t LineMarkDecoder::Decode(char* data, std::size_t n, Found* found) {
    std::size_t out = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        switch (state_) {
            case 0:
                if (b == 0xFF) {
                    state_ = 1;
                } else {
                    data[out++] = static_cast<char>(b);
                }
                break;
            case 1:
                if (b == 0xFF) {
                    data[out++] = static_cast<char>(0xFF);
                    state_ = 0;
                } else if (b == 0) {
                    state_ = 2;
                } else {
                    // Not a mark after all (marks were off when the byte came in). The
                    // 0xFF is kept when there is room for it in place; when it ended the
                    // previous read there is none, and it is lost rather than overwrite
                    // bytes not decoded yet.
                    if (out < i) {
                        data[out++] = static_cast<char>(0xFF);
                    }
                    data[out++] = static_cast<char>(b);
                    state_ = 0;
                }
                break;
            default:
                if (b == 0) {
                    ++found->breaks;
                } else {
                    ++found->errors;  // the damaged byte itself is dropped
                }
                state_ = 0;
                break;
        }
    }
    return out;
}

namespace {

class PosixSerialDevice : public SerialDevice {
  public:
    PosixSerialDevice(int fd, const platform::serial::LineSettings& saved)
        : fd_(fd), saved_(saved) {}
    ~PosixSerialDevice() override {
        Close();
        platform::CloseFd(fd_);
    }

    int Configure(std::int32_t baudRate) override {
        // Raw bytes with line errors marked in the data; bytes may come in pieces smaller
        // than the read interval would have gathered, and nothing here depends on the
        // size of a piece. A probe must never hang up, so a rate of 0 keeps the speed.
        if (const platform::IoOutcome set =
                platform::serial::ApplyLineSettings(fd_, saved_.Raw(baudRate));
            set.error != 0) {
            return set.error;
        }
        // As the driver took them: Close compares with these.
        if (platform::serial::ReadLineSettings(fd_, &applied_).error == 0) {
            configured_ = true;
        }
        marked_ = true;
        return 0;
    }

    int SetLineErrorMask() override {
        if (closed_) {
            return EBADF;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        platform::serial::LineCounters c;
        if (platform::serial::ReadLineCounters(fd_, &c).error == 0) {
            counters_ = true;
            last_ = c;
        } else {
            // Pseudo-terminals and many USB adapters keep no counters (ENOTTY, EINVAL):
            // errors then come only from the marks in the data.
            counters_ = false;
        }
        return 0;
    }

    int WaitCommEvent(std::uint32_t* mask) override {
        if (closed_) {
            return EBADF;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (pending_ == 0) {
            return EAGAIN;
        }
        *mask = kEvErr;
        return 0;
    }

    int ClearCommError(std::uint32_t* errors) override {
        if (closed_) {
            return EBADF;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        *errors = pending_;
        pending_ = 0;
        return 0;
    }

    IoResult Read(char* buffer, std::size_t size) override {
        if (closed_) {
            return {EBADF, 0};
        }
        const platform::IoOutcome n = platform::ReadFd(fd_, buffer, size);
        if (n.error != 0) {
            return {n.error, 0};
        }
        if (n.value == 0 || !marked_) {
            return {0, static_cast<std::size_t>(n.value)};
        }
        const std::size_t kept = Unmark(buffer, static_cast<std::size_t>(n.value));
        // Nothing but marks (or the start of one): no data yet, which is not the end of
        // the line.
        return kept == 0 ? IoResult{EAGAIN, 0} : IoResult{0, kept};
    }

    IoResult Write(const char* buffer, std::size_t size) override {
        if (closed_) {
            return {EBADF, 0};
        }
        const platform::IoOutcome n = platform::WriteFd(fd_, buffer, size);
        if (n.error != 0) {
            return {n.error, 0};
        }
        return {0, static_cast<std::size_t>(n.value)};
    }

    WaitResult Wait(int closeFd, bool forWrite) override {
        if (closed_) {
            return {WaitKind::Ready, 0};  // the next call reports the port gone
        }
        platform::PollFd fds[2] = {{closeFd, platform::kPollIn, 0},
                                   {fd_, forWrite ? platform::kPollOut : platform::kPollIn, 0}};
        int timeout = -1;
        if (!forWrite) {
            std::lock_guard<std::mutex> lock(mutex_);
            timeout = pending_ != 0 ? 0 : -1;
        }
        for (platform::IoOutcome polled; (polled = platform::Poll(fds, 2, timeout)).error != 0;) {
            if (polled.error != EINTR) {
                return {WaitKind::Failed, polled.error};
            }
        }
        if (fds[0].revents != 0) {
            return {WaitKind::Close, 0};
        }
        if (!forWrite) {
            std::lock_guard<std::mutex> lock(mutex_);
            TakeCounters();
            if (pending_ != 0) {
                return {WaitKind::CommEvent, 0};
            }
        }
        const short r = fds[1].revents;
        if (!forWrite && (r & (platform::kPollHup | platform::kPollErr)) != 0 &&
            (r & platform::kPollIn) == 0) {
            return {WaitKind::Hangup, 0};
        }
        return {WaitKind::Ready, 0};
    }

    void Purge(int flags) override {
        if (closed_) {
            return;
        }
        platform::serial::FlushLine(fd_, (flags & (kPurgeRxAbort | kPurgeRxClear)) != 0,
                                    (flags & (kPurgeTxAbort | kPurgeTxClear)) != 0);
    }

    void Close() override {
        if (closed_.exchange(true)) {
            return;
        }
        // Leave the port as it was found, but only while the settings are still ours:
        // another program (a dialer that took the port meanwhile) may have set its own,
        // which must stay. A port never configured here was never changed at all.
        platform::serial::LineSettings now;
        if (configured_ && platform::serial::ReadLineSettings(fd_, &now).error == 0 &&
            now.Same(applied_)) {
            // A saved speed of 0 would hang the line up.
            platform::serial::ApplyLineSettings(fd_, saved_.KeepingSpeedOf(now));
        }
        // /dev/null in the port's place instead of a close of the number: the port is
        // released at once, while a thread still inside a call can never reach a
        // descriptor that the process has reused for something else meanwhile.
        platform::ReplaceWithNull(fd_);
    }

  private:
    // Removes the marks from the data and notes the errors they stood for.
    std::size_t Unmark(char* data, std::size_t n) {
        LineMarkDecoder::Found found;
        const std::size_t out = decoder_.Decode(data, n, &found);
        if (found.errors + found.breaks > 0) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (counters_) {
                TakeCounters();  // the counters tell framing from parity
            } else {
                if (found.breaks > 0) {
                    pending_ |= kCeBreak;
                }
                if (found.errors > 0) {
                    // Without counters a mark does not say which: with parity off it can
                    // only be a framing error.
                    pending_ |= saved_.ParityOn() ? kCeRxParity : kCeFrame;
                }
            }
        }
        return out;
    }

    // Overruns show only in the driver's counters; framing, parity and break there too.
    void TakeCounters() {
        if (!counters_) {
            return;
        }
        platform::serial::LineCounters c;
        if (platform::serial::ReadLineCounters(fd_, &c).error != 0) {
            counters_ = false;
            return;
        }
        if (c.frame != last_.frame) {
            pending_ |= kCeFrame;
        }
        if (c.overrun != last_.overrun) {
            pending_ |= kCeOverrun;
        }
        if (c.parity != last_.parity) {
            pending_ |= kCeRxParity;
        }
        if (c.bufferOverrun != last_.bufferOverrun) {
            pending_ |= kCeRxOver;
        }
        if (c.breaks != last_.breaks) {
            pending_ |= kCeBreak;
        }
        last_ = c;
    }

    const int fd_;
    const platform::serial::LineSettings saved_;
    platform::serial::LineSettings applied_;  // what Configure left in force
    bool configured_ = false;                 // Configure changed the settings
    std::atomic<bool> closed_{false};
    bool marked_ = false;      // PARMRK in force: the data carries marks
    LineMarkDecoder decoder_;  // reader thread only
    std::mutex mutex_;         // guards what follows
    bool counters_ = false;
    platform::serial::LineCounters last_;
    std::uint32_t pending_ = 0;
};

class PosixFactory : public SerialDeviceFactory {
  public:
    std::unique_ptr<platform::HolderEvents> WatchRelease(const QString& devicePath) override {
        return std::make_unique<platform::HolderEvents>(devicePath);
    }

    OpenOutcome Open(const QString& devicePath) override {
        OpenOutcome out;
        const platform::PortCheck check = platform::CheckPortHolders(devicePath);
        if (check.availability != platform::PortAvailability::Free) {
            out.failure = check.availability == platform::PortAvailability::Busy
                              ? PortFailure::Busy
                              : PortFailure::Unusable;
            out.error = check.error;
            out.notTerminal =
                check.availability == platform::PortAvailability::Unusable && check.error == ENOTTY;
            out.detail = check.detail;
            out.holder = check.holder;
            return out;
        }
        int openError = 0;
        const int fd = platform::OpenPortDevice(devicePath, &openError);
        if (fd < 0) {
            out.error = openError;
            out.failure = out.error == EBUSY ? PortFailure::Busy : PortFailure::Unusable;
            out.detail = devicePath + QStringLiteral(": ") + platform::ErrorText(out.error);
            return out;
        }
        platform::serial::LineSettings saved;
        if (const platform::IoOutcome got = platform::serial::ReadLineSettings(fd, &saved);
            got.error != 0) {
            out.error = got.error;
            platform::CloseFd(fd);
            out.failure = PortFailure::Unusable;
            out.notTerminal = true;
            out.detail = devicePath + QStringLiteral(": not a terminal (") +
                         platform::ErrorText(out.error) + QStringLiteral(")");
            return out;
        }
        out.device = std::make_shared<PosixSerialDevice>(fd, saved);
        return out;
    }
};

}  // namespace

SerialDeviceFactory& PosixSerialDeviceFactory() {
    static PosixFactory factory;
    return factory;
}

}  // namespace vindelor
