// The small set of operating-system services the programs use, behind interfaces so
// that tests can put fakes in their place. Everything that talks to the OS lives in
// platform/; the rest of the code reaches it only through these classes.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTime>

#include <cstdint>

class QWidget;

namespace vindelor::platform {

// Monotonic millisecond counter. 64 bits: a 32-bit counter wraps after 24.8 days of
// uptime, which would make a running session's time jump.
class TickCounter {
  public:
    virtual ~TickCounter() = default;
    virtual std::int64_t Milliseconds() = 0;
};

// Local calendar time and the user's date and time texts. The date text never holds a
// blank or a "-": log readers split a line at the first of each.
class LocalClock {
  public:
    virtual ~LocalClock() = default;
    virtual QDateTime Now() = 0;
    virtual QString DateText(const QDate& date) = 0;  // short numeric date, e.g. 06.12.1999
    virtual QString TimeText(const QTime& time) = 0;  // 24-hour time with seconds, 14:05:09
};

// Message boxes and the error beep. Buttons carry the fixed English captions
// "&Yes", "&No" and "OK" in every language.
class MessageBoxes {
  public:
    enum class Icon { None, Information, Warning, Error, Question };
    enum class Buttons { Ok, YesNo, NoOk };
    enum class Answer { Ok, Yes, No, Cancel };

    virtual ~MessageBoxes() = default;
    virtual Answer Show(QWidget* parent, const QString& caption, const QString& text, Icon icon,
                        Buttons buttons) = 0;
    virtual void Beep() = 0;
};

// Opens a help file at a context number. Help files are named without extension
// ("SVindelor", "SFVindelor", "UKVindelor").
class HelpViewer {
  public:
    virtual ~HelpViewer() = default;
    virtual bool ShowHelp(QWidget* parent, const QString& helpFile, int context) = 0;
};

// Where the system recorded the installed modems' ports. subkey is "0000" or "0001";
// an empty result means no entry. The result is a port name ("COM3"), or a device path
// ("/dev/serial/by-id/…") where the system knows devices rather than port names.
class ModemLookup {
  public:
    virtual ~ModemLookup() = default;
    // `managerPorts`: the ports ModemManager lists as its modems' ("ttyUSB2"), when it
    // runs; modems too, whatever their driver.
    virtual QString AttachedTo(const QString& subkey, const QStringList& managerPorts = {}) = 0;
};

// Regional values of the user's locale.
class Regional {
  public:
    virtual ~Regional() = default;
    virtual QString CurrencySymbol() = 0;  // "$" when the locale has none
    virtual QChar TimeSeparator() = 0;     // ':' when the locale has none
    // The language the desktop speaks to the user.
    virtual QLocale::Language Language() = 0;
};

struct Services {
    TickCounter* ticks = nullptr;
    LocalClock* clock = nullptr;
    MessageBoxes* boxes = nullptr;
    HelpViewer* help = nullptr;
    ModemLookup* modems = nullptr;
    Regional* regional = nullptr;
};

// The services in force. Starts with the real implementations; tests install fakes.
Services& Current();
// Replaces the services in force, returns the previous set (so a test can restore it).
Services Install(const Services& services);

inline TickCounter& Ticks() {
    return *Current().ticks;
}
inline LocalClock& Clock() {
    return *Current().clock;
}
inline MessageBoxes& Boxes() {
    return *Current().boxes;
}
inline HelpViewer& Help() {
    return *Current().help;
}
inline ModemLookup& Modems() {
    return *Current().modems;
}
inline Regional& Region() {
    return *Current().regional;
}

}  // namespace vindelor::platform
