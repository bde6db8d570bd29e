// The operating-system side of a serial port, as TComm32 and its threads use it.
// Windows served the component with overlapped requests and wait lists; here the same
// steps run on non-blocking descriptors and poll(). Everything that touches the OS sits
// behind these two interfaces, so tests can script a port that fails in any step.
#pragma once

#include "components/comm32.h"
#include "platform/serialport.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vindelor {

// Line-error bits, with the values the trace has always shown.
inline constexpr std::uint32_t kCeRxOver = 0x0001;
inline constexpr std::uint32_t kCeOverrun = 0x0002;
inline constexpr std::uint32_t kCeRxParity = 0x0004;
inline constexpr std::uint32_t kCeFrame = 0x0008;
inline constexpr std::uint32_t kCeBreak = 0x0010;
// The event the reader waits for: a line error.
inline constexpr std::uint32_t kEvErr = 0x0080;

// Purge flags of the close path (input: 10, output: 5).
inline constexpr int kPurgeTxAbort = 0x0001;
inline constexpr int kPurgeRxAbort = 0x0002;
inline constexpr int kPurgeTxClear = 0x0004;
inline constexpr int kPurgeRxClear = 0x0008;

// Outcome of a non-blocking read or write. error 0: done, `bytes` moved (a read of 0
// bytes is the end of the line); EAGAIN: nothing possible yet; any other errno: failure.
struct IoResult {
    int error = 0;
    std::size_t bytes = 0;
};

// What ended a wait on the close event and the port.
enum class WaitKind {
    Failed,     // the wait itself failed; `error` says why
    Close,      // the close event is signalled (checked first)
    CommEvent,  // a line error is waiting to be fetched
    Ready,      // the port can be read (or written, for a write wait)
    Hangup,     // the other side hung up or the line failed (POLLHUP/POLLERR)
};

struct WaitResult {
    WaitKind kind = WaitKind::Failed;
    int error = 0;
};

// One open port. Calls may come from the reader, the writer and the window thread at
// the same time; implementations keep their own state consistent.
class SerialDevice {
  public:
    virtual ~SerialDevice() = default;

    // Applies the port settings the component wants: raw bytes, line errors marked in
    // the data, the 250 ms read interval and `baudRate` (0 keeps the line speed).
    // The caller ignores failures, as it always did.
    virtual int Configure(std::int32_t baudRate) = 0;
    // Starts watching for line errors (the comm mask). 0 or an errno.
    virtual int SetLineErrorMask() = 0;
    // The comm-event request: 0 with `*mask` set when an event is waiting, EAGAIN when
    // none is yet, another errno on failure (EBADF: the port is gone).
    virtual int WaitCommEvent(std::uint32_t* mask) = 0;
    // Takes and clears the line-error bits (kCe* values). 0 or an errno.
    virtual int ClearCommError(std::uint32_t* errors) = 0;
    virtual IoResult Read(char* buffer, std::size_t size) = 0;
    virtual IoResult Write(const char* buffer, std::size_t size) = 0;
    // Blocks without time-out until `closeFd` is readable or the port is ready (for
    // reading, or for writing when `forWrite`). A waiting line error ends a read wait
    // at once.
    virtual WaitResult Wait(int closeFd, bool forWrite) = 0;
    // Drops queued input and/or output (kPurge* flags).
    virtual void Purge(int flags) = 0;
    // Puts the settings found at open back and lets go of the port. Safe to call while a
    // thread that did not end is still inside another call: the port is released at
    // once, and calls on this object fail harmlessly from then on.
    virtual void Close() = 0;
};

// Why an open failed: Busy (another program holds the port: a connection) or Unusable
// (absent device, no permission, not a terminal: not a connection).
struct OpenOutcome {
    std::shared_ptr<SerialDevice> device;  // set when the port was opened
    PortFailure failure = PortFailure::None;
    bool notTerminal = false;  // the name leads to something that is not a terminal
    int error = 0;
    QString detail;               // device path and reason, for the user
    platform::PortHolder holder;  // Busy: who holds the port, as far as known
};

// Makes devices and the other OS objects of an open port. One factory is in force per
// process (TComm32::SetDeviceFactory).
class SerialDeviceFactory {
  public:
    virtual ~SerialDeviceFactory() = default;
    // Checks for holders and opens `devicePath` when nobody holds it.
    virtual OpenOutcome Open(const QString& devicePath) = 0;
    // A new close event descriptor (non-signalled), or -errno.
    virtual int CreateEventFd();
    // Called before a worker thread starts ("Read" or "Write"); an errno refuses it.
    virtual int BeforeThreadStart(const char* which);
    // What tells of the holder of `devicePath` letting go; null when nothing can (a
    // caller then looks at the port every time).
    virtual std::unique_ptr<platform::HolderEvents> WatchRelease(const QString& devicePath);
};

// Takes the line discipline's error marks out of received bytes (PARMRK: "\377 \0 c" for
// a framing or parity error on c, "\377 \0 \0" for a break, "\377 \377" for a real 0xFF).
// A mark split over two reads is completed by the next call.
class LineMarkDecoder {
  public:
    struct Found {
        int errors = 0;  // framing or parity errors
        int breaks = 0;
    };
    // Decodes `data` in place; returns the number of data bytes left.
    std::size_t Decode(char* data, std::size_t n, Found* found);

  private:
    int state_ = 0;  // 0: data, 1: after 0xFF, 2: after 0xFF 0x00
};

// The real device layer: busy checks of platform/serialport.h, then open(2) and termios.
SerialDeviceFactory& PosixSerialDeviceFactory();

}  // namespace vindelor
