// A private X display with a real window manager for the tests that must see what a
// desktop user sees: Xvfb on a free display number, openbox on it, trayer as a panel
// with a notification area, and xprop/xwininfo to read back what the window manager
// was told.
#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace vindelor::test {

class XSession {
  public:
    XSession() = default;
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // Starts Xvfb, openbox and trayer; waits until openbox manages the screen (the
    // notification area may come a moment later: see WaitForTray). False, with
    // `why` saying what is missing or failed, when that is not possible here.
    bool Start(QString* why);
    QString Display() const { return display_; }

  private:
    pid_t xvfb_ = -1;
    pid_t wm_ = -1;
    pid_t tray_ = -1;
    QString display_;
};

// The session the test program started; empty Display() when none could run.
XSession& TheSession();
// Why there is no session (for the skip message).
QString& NoSessionReason();

// Runs a program of the X tools against the test display and returns its standard output
// (empty on failure). Plain fork/exec: usable before a QApplication exists.
QString RunTool(const QStringList& argv);

// A top-level window's property as xprop prints it ("NAME = value", no type), or an
// empty string when the window has no such property.
QString WindowProperty(unsigned long window, const char* property, int maxBytes = 4096);

}  // namespace vindelor::test
