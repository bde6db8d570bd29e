// A main window under test: its own data directory, fake tick counter, clock, message
// boxes, help and modem look-up, and a fake serial layer whose ports are free, busy or
// unusable by device. Dialogs never run modally; ending the program is recorded.
#pragma once

#include "components/comm32.h"
#include "components/test/fakeserial.h"
#include "core/profile.h"
#include "core/ratetable.h"
#include "core/sessionglobals.h"
#include "core/texts.h"
#include "monitor/modemmain.h"
#include "platform/test/fakes.h"
#include "support/testenv.h"

#include <QDialog>
#include <QMap>
#include <QSet>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>

namespace vindelor::test {

// Ports by device path (COM1 … COM4 are /dev/ttyS0 … /dev/ttyS3 unless [Ports] says
// otherwise); a device not listed is free.
class PortTable : public FakeSerialFactory {
  public:
    OpenOutcome Open(const QString& devicePath) override {
        if (denied.contains(devicePath)) {
            // The device exists but the user is not in its group.
            mode = Mode::Unusable;
            OpenOutcome out = FakeSerialFactory::Open(devicePath);
            out.error = EACCES;
            out.detail = devicePath + QStringLiteral(": Permission denied");
            return out;
        }
        mode = modes.value(devicePath, Mode::Free);
        return FakeSerialFactory::Open(devicePath);
    }
    QMap<QString, Mode> modes;
    QSet<QString> denied;
};

inline QString DeviceOf(int com) {
    return QStringLiteral("/dev/ttyS%1").arg(com - 1);
}

// Message boxes that let a test act while a box is open (the nested loop of a real box
// keeps the timers running).
class WatchingBoxes : public platform::test::ScriptedBoxes {
  public:
    Answer Show(QWidget* parent, const QString& caption, const QString& text, Icon icon,
                Buttons buttons) override {
        const Answer answer = ScriptedBoxes::Show(parent, caption, text, icon, buttons);
        // Once: the action may open a box of its own.
        const std::function<void()> action = std::move(whileOpen);
        whileOpen = nullptr;
        if (action) {
            action();
        }
        return answer;
    }
    std::function<void()> whileOpen;
};

// Installs `boxes` in place of the fixture's scripted ones while it lives.
class ScopedBoxes {
  public:
    explicit ScopedBoxes(platform::MessageBoxes* boxes) {
        platform::Services services = platform::Current();
        services.boxes = boxes;
        previous_ = platform::Install(services);
    }
    ~ScopedBoxes() { platform::Install(previous_); }

  private:
    platform::Services previous_;
};

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() : previousFactory_(TComm32::SetDeviceFactory(&ports)) {
        SessionGlobals() = SessionGlobalsT{};
        SetLanguageOffset(0);
        ProgramRateWeek().Clear();
        TComm32::SetPortOpenFailed(false);
        ClearProfileCache();
    }
    ~MainWindowTest() override {
        form.reset();
        TComm32::SetDeviceFactory(previousFactory_);
    }

    static void Ini(const QString& section, const QString& key, const QString& value) {
        ASSERT_TRUE(WriteProfileString(section, key, value, kSettingsFile));
    }
    static QString Read(const QString& section, const QString& key,
                        const QString& def = QStringLiteral("<none>")) {
        return GetProfileString(section, key, def, 200, kSettingsFile);
    }
    static QString LogLine(int n) {
        return GetProfileString(QStringLiteral("Nättid"), QString::number(n),
                                QStringLiteral("<none>"), 200, kLogFile);
    }

    void SetPort(int com, FakeSerialFactory::Mode mode) { ports.modes[DeviceOf(com)] = mode; }

    // A window through start-up. With no port stored, COM1 is stored first so that no
    // dialog is needed unless a test asks for one.
    TForm1& Create(bool storeCom1 = true) {
        if (storeCom1 &&
            Read(QStringLiteral("Modem"), QStringLiteral("Port")) == QLatin1String("<none>")) {
            Ini(QStringLiteral("Modem"), QStringLiteral("Port"), QStringLiteral("COM1"));
        }
        form = std::make_unique<TForm1>();
        form->ChoosePortAtStart = choosePort;
        form->FollowModemManager = false;
        form->EndProgram = [this](int code) {
            ++ends;
            exitCode = code;
        };
        form->ApplicationActive = [this] { return active; };
        form->ExecDialog = [this](QDialog& dialog) {
            dialogs.push_back(dialog.metaObject()->className());
            return onDialog ? onDialog(dialog) : int(QDialog::Rejected);
        };
        if (prepare) {
            prepare(*form);
        }
        form->FormCreate();
        return *form;
    }

    // One idle poll with the modem's port busy: the session starts.
    void StartSession(int com = 1) {
        SetPort(com, FakeSerialFactory::Mode::Busy);
        form->Timer2Timer();
        ASSERT_TRUE(form->SessionStarted);
    }

    // Session ticks, one per `step` seconds, for `seconds` seconds.
    void Run(long long seconds, long long step = 1) {
        for (long long t = 0; t < seconds; t += step) {
            fakes.ticks.AdvanceSeconds(static_cast<double>(step));
            form->Timer1Timer();
        }
    }

    // The port turns free; the next tick closes the session.
    void Release(int com = 1) {
        SetPort(com, FakeSerialFactory::Mode::Free);
        form->Timer1Timer();
    }

    ScopedDataDir dir;
    platform::test::ScopedFakes fakes;
    PortTable ports;
    std::unique_ptr<TForm1> form;
    int ends = 0;
    int exitCode = -1;
    bool active = false;
    bool choosePort = false;  // as "vindelor --choose-port"
    std::vector<QString> dialogs;
    std::function<int(QDialog&)> onDialog;
    // Runs on the new window before its start-up.
    std::function<void(TForm1&)> prepare;

  private:
    SerialDeviceFactory* previousFactory_;
};

}  // namespace vindelor::test
