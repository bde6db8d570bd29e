// One icon in the desktop's notification area: shows a picture and a tool-tip while
// Active, keeps them up to date, and turns clicks on it into events. The desktop side
// sits behind TrayShell so that tests can count what the component asks of it.
#pragma once

#include <QEvent>
#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <functional>

class QMenu;

namespace vindelor {

// Message numbers the component's message window understands.
constexpr unsigned kTrayCallbackMessage = 1025;    // a mouse action on the icon
constexpr unsigned kTrayTipRefreshMessage = 1026;  // posted to itself after an add
// Mouse messages carried by a callback.
constexpr long kTrayLeftButtonUp = 0x0202;
constexpr long kTrayLeftButtonDblClk = 0x0203;
constexpr long kTrayRightButtonUp = 0x0205;
constexpr long kTrayMiddleButtonUp = 0x0208;

// What the component hands to the shell before every add and modify.
struct TrayNotifyData {
    static constexpr int kTipCapacity = 64;  // tip field, terminator included
    int size = 88;
    QObject* window = nullptr;  // receives the callback messages as TrayMessageEvent
    unsigned id = 0;
    unsigned flags = 7;  // message, icon and tip valid
    unsigned callbackMessage = kTrayCallbackMessage;
    QIcon icon;
    QString tip;
};

// A message for the component's message window: a shell callback (lParam = the mouse
// message) or the tool-tip refresh the component posts to itself.
class TrayMessageEvent : public QEvent {
  public:
    TrayMessageEvent(unsigned message, long lParam);
    static QEvent::Type EventType();
    unsigned message;
    long lParam;
};

// The notification area. Icons are known by (window, id), as on the desktops that
// invented the area: adding a known icon or changing an unknown one fails.
class TrayShell {
  public:
    virtual ~TrayShell() = default;
    virtual bool Add(const TrayNotifyData& data) = 0;
    virtual bool Modify(const TrayNotifyData& data) = 0;
    virtual bool Delete(const TrayNotifyData& data) = 0;
    // Mouse position in screen coordinates.
    virtual QPoint CursorPos() = 0;
    // Brings the application forward, lets waiting events run, then opens the menu at
    // `pos` and returns when it has closed.
    virtual void ShowPopupMenu(QMenu* menu, const QPoint& pos) = 0;
};

// The shell in force: a QSystemTrayIcon-based one unless a test installed another.
TrayShell& CurrentTrayShell();
// Installs `shell` (nullptr: the desktop's own) and returns the previous one.
TrayShell* InstallTrayShell(TrayShell* shell);

class TTrayIcon : public QObject {
    Q_OBJECT

  public:
    static constexpr int kMaxToolTip = 62;
    using TNotifyEvent = std::function<void(QObject* sender)>;
    using TMouseEvent = std::function<void(QObject* sender, Qt::MouseButton button,
                                           Qt::KeyboardModifiers shift, int x, int y)>;

    explicit TTrayIcon(QObject* owner = nullptr);
    ~TTrayIcon() override;

    bool Active() const { return active_; }
    void SetActive(bool value);

    bool ShowDesigning() const { return showDesigning_; }
    void SetShowDesigning(bool value);

    // The component keeps its own copy of the picture.
    const QIcon& Icon() const { return icon_; }
    void SetIcon(const QIcon& icon);

    QString ToolTip() const { return toolTip_; }
    void SetToolTip(const QString& text);

    // Not owned; a menu that is destroyed reads as none.
    QMenu* PopupMenu() const;
    void SetPopupMenu(QMenu* menu);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnRightClick;

    // Adds the icon to the notification area; whether the shell accepted it.
    bool Show();
    // Hands the current picture and tip to the shell while Active.
    bool Refresh();
    // Removes the icon; whether the shell accepted it.
    bool Hide();

    // True while the component sits in a layout editor rather than a running program.
    bool Designing() const { return designing_; }
    void SetDesigning(bool designing) { designing_ = designing; }

    // The message window's procedure; false for a message it does not know.
    bool Dispatch(unsigned message, long lParam);
    QObject* MessageWindow() const { return window_; }

  private:
    TrayNotifyData FillNotifyData() const;
    void RightClick();

    QIcon icon_;
    QString toolTip_;
    QObject* window_ = nullptr;
    bool active_ = false;
    bool showDesigning_ = false;
    bool designing_ = false;
    QPointer<QMenu> popupMenu_;
};

}  // namespace vindelor
