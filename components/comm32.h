// TComm32: owns one serial port, with a reader and a writer thread while it is open.
// The main program uses it only as a probe (ProbePort): a port that cannot be opened is
// held by the dialer.
#pragma once

#include "platform/serialport.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

namespace vindelor {

class ECommsError : public std::runtime_error {
  public:
    explicit ECommsError(const std::string& message) : std::runtime_error(message) {}
};

// Why the last failed open failed. The original counted every failed open as a busy
// port; on Linux an absent device or a missing permission must not count as a connection,
// and neither must a failure of the component itself (Internal: a worker thread or the
// close event could not be made, the port was closed again).
enum class PortFailure { None, Busy, Unusable, Internal };

class SerialDeviceFactory;  // components/serialdevice.h

// What a look at the port found: whether it opened, and if not why, as an outcome
// rather than an exception (a watch looks fifty times a second while a dialer holds the
// port).
struct PortLook {
    PortFailure failure = PortFailure::None;  // None: it opened, or only an idle manager holds it
    bool notTerminal = false;                 // the name leads to something that is not a terminal
    int error = 0;
    QString detail;
    platform::PortHolder holder;  // Busy: who holds the port, as far as known
    QString device;               // the device the port's name led to
};

class TComm32 : public QObject {
    Q_OBJECT
  public:
    using TReceiveDataEvent = std::function<void(const char* Buffer, std::uint16_t BufferLength)>;
    using TNotifyEvent = std::function<void(TComm32* Sender)>;

    explicit TComm32(QObject* owner = nullptr);
    ~TComm32() override;

    QString CommPort() const;
    void SetCommPort(const QString& port);
    std::int32_t BaudRate() const;
    void SetBaudRate(std::int32_t rate);
    QString CommsLogFileName() const;
    void SetCommsLogFileName(const QString& name);

    TReceiveDataEvent OnReceiveData() const;
    void SetOnReceiveData(TReceiveDataEvent handler);
    TNotifyEvent OnRequestHangup() const;
    void SetOnRequestHangup(TNotifyEvent handler);

    // True: open with both threads running. False: the close event could not be made. Any other
    // failure throws ECommsError; a port it opened is closed again first.
    bool OpenPort();
    // Whether the port can be opened, and nothing more: true when it could (it is closed
    // again at once), else ECommsError as from OpenPort. It changes none of the port's
    // settings, starts no thread and drops no queued byte, so a dialer that takes the
    // port meanwhile finds it as it left it.
    bool ProbePort();
    // The same look without the exception: the failure flags, LastFailure and its detail
    // are set as by ProbePort; a busy port is an outcome like any other.
    PortLook LookAtPort();
    // What tells of the port's holder letting go (see platform::HolderEvents); null when
    // the device layer can tell nothing.
    std::unique_ptr<platform::HolderEvents> WatchPortRelease() const;
    // Ends both threads and closes the port; returns when both threads have ended.
    void ClosePort();
    bool IsOpen() const;

    // Queues bytes for the writer thread. False when the port is not open.
    bool WriteString(const QByteArray& bytes);

    static void LogCommsLine(const QString& text);
    static void LogLastError(int code, const QString& prefix = QString());
    static QString FormatLastError(int code);

    // Process-wide: 1 when the last open attempt failed to open the device.
    static bool PortOpenFailed();
    static void SetPortOpenFailed(bool failed);
    // Process-wide: the kind of the last open failure, and its reason for the user.
    static PortFailure LastFailure();
    static QString LastFailureDetail();
    // The errno of the last open failure (EACCES: the user may not use the device).
    static int LastFailureError();

    // The device layer in force (process-wide). Tests install a fake; nullptr restores
    // the real POSIX one. Returns the previous factory.
    static SerialDeviceFactory* SetDeviceFactory(SerialDeviceFactory* factory);
    // How long ClosePort waits for each worker thread before it gives the thread up
    // (10,000 ms). Tests shorten it. Returns the previous value.
    static int SetThreadExitTimeout(int milliseconds);

  private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace vindelor
