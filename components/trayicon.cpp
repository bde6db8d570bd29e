#include "components/trayicon.h"

#include <QApplication>
#include <QCursor>
#include <QMap>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

#include <utility>

namespace vindelor {

TrayMessageEvent::TrayMessageEvent(unsigned msg, long lp)
    : QEvent(EventType()), message(msg), lParam(lp) {}

QEvent::Type TrayMessageEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

namespace {

// The component's hidden message window: everything the shell or the component itself
// sends to it goes through TTrayIcon::Dispatch.
class TrayMessageWindow : public QObject {
  public:
    explicit TrayMessageWindow(TTrayIcon* owner) : QObject(owner), owner_(owner) {}

    bool event(QEvent* e) override {
        if (e->type() == TrayMessageEvent::EventType()) {
            auto* m = static_cast<TrayMessageEvent*>(e);
            owner_->Dispatch(m->message, m->lParam);
            return true;
        }
        return QObject::event(e);
    }

  private:
    TTrayIcon* owner_;
};

long MouseMessageFor(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            return kTrayLeftButtonUp;
        case QSystemTrayIcon::DoubleClick:
            return kTrayLeftButtonDblClk;
        case QSystemTrayIcon::Context:
            return kTrayRightButtonUp;
        case QSystemTrayIcon::MiddleClick:
            return kTrayMiddleButtonUp;
        case QSystemTrayIcon::Unknown:
            break;
    }
    return 0;
}

// The desktop's notification area through QSystemTrayIcon, one per (window, id).
class QtTrayShell : public TrayShell {
  public:
    bool Add(const TrayNotifyData& data) override {
        const Key key{data.window, data.id};
        if (icons_.contains(key) || !QSystemTrayIcon::isSystemTrayAvailable()) {
            return false;
        }
        auto* icon = new QSystemTrayIcon(data.icon);
        icon->setToolTip(data.tip);
        QPointer<QObject> window = data.window;
        const unsigned callback = data.callbackMessage;
        QObject::connect(icon, &QSystemTrayIcon::activated, icon,
                         [window, callback](QSystemTrayIcon::ActivationReason reason) {
                             const long mouse = MouseMessageFor(reason);
                             if (window && mouse != 0) {
                                 QCoreApplication::postEvent(window,
                                                             new TrayMessageEvent(callback, mouse));
                             }
                         });
        if (data.window) {
            // A window that goes away without deleting its icon takes the icon along.
            QObject::connect(data.window, &QObject::destroyed, icon, [this, key] { Remove(key); });
        }
        icons_.insert(key, icon);
        ShowOnlyWithAPicture(icon);
        return true;
    }

    bool Modify(const TrayNotifyData& data) override {
        QSystemTrayIcon* icon = icons_.value(Key{data.window, data.id});
        if (!icon) {
            return false;
        }
        icon->setIcon(data.icon);
        icon->setToolTip(data.tip);
        ShowOnlyWithAPicture(icon);
        return true;
    }

    bool Delete(const TrayNotifyData& data) override { return Remove(Key{data.window, data.id}); }

    QPoint CursorPos() override { return QCursor::pos(); }

    void ShowPopupMenu(QMenu* menu, const QPoint& pos) override {
        // Without the application in front the menu would not close when the user
        // clicks elsewhere.
        QWidget* front = QApplication::activeWindow();
        if (!front) {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->isVisible() && !qobject_cast<QMenu*>(w)) {
                    front = w;
                    break;
                }
            }
        }
        if (front) {
            front->raise();
            front->activateWindow();
        }
        QCoreApplication::processEvents();
        menu->exec(pos);
    }

  private:
    using Key = std::pair<QObject*, unsigned>;

    // An entry without a picture is an empty gap in the panel (and a warning from Qt):
    // the icon stays known but out of sight until a modify brings a picture.
    static void ShowOnlyWithAPicture(QSystemTrayIcon* icon) {
        icon->setVisible(!icon->icon().isNull());
    }

    bool Remove(const Key& key) {
        QSystemTrayIcon* icon = icons_.take(key);
        if (!icon) {
            return false;
        }
        icon->hide();
        icon->deleteLater();
        return true;
    }

    QMap<Key, QSystemTrayIcon*> icons_;
};

TrayShell*& InstalledShell() {
    static TrayShell* shell = nullptr;
    return shell;
}

}  // namespace

TrayShell& CurrentTrayShell() {
    if (TrayShell* shell = InstalledShell()) {
        return *shell;
    }
    // Lives as long as the program: icons still shown at exit belong to it.
    static auto* desktop = new QtTrayShell;
    return *desktop;
}

TrayShell* InstallTrayShell(TrayShell* shell) {
    return std::exchange(InstalledShell(), shell);
}

TTrayIcon::TTrayIcon(QObject* owner) : QObject(owner), window_(new TrayMessageWindow(this)) {}

TTrayIcon::~TTrayIcon() {
    if ((!designing_ && active_) || (designing_ && showDesigning_)) {
        Hide();
    }
}

void TTrayIcon::SetActive(bool value) {
    if (value == active_) {
        return;
    }
    active_ = value;
    if (designing_) {
        return;
    }
    if (value) {
        Show();
    } else {
        Hide();
    }
}

void TTrayIcon::SetShowDesigning(bool value) {
    if (!designing_ || value == showDesigning_) {
        return;
    }
    showDesigning_ = value;
    if (value) {
        Show();
    } else {
        Hide();
    }
}

void TTrayIcon::SetIcon(const QIcon& icon) {
    // Handing back our own picture, or one that is the same picture, has nothing to
    // show: the indicator assigns an icon on every session tick.
    if (&icon == &icon_ || icon.cacheKey() == icon_.cacheKey()) {
        return;
    }
    icon_ = icon;
    Refresh();
}

void TTrayIcon::SetToolTip(const QString& text) {
    // Cut in code units, as the tip field counts them, but never between the two
    // halves of a character outside the basic plane (a currency sign, an emoji).
    qsizetype cut = qMin<qsizetype>(text.size(), kMaxToolTip);
    if (cut > 0 && cut < text.size() && text[cut - 1].isHighSurrogate()) {
        --cut;
    }
    toolTip_ = text.left(cut);
    Refresh();
}

QMenu* TTrayIcon::PopupMenu() const {
    return popupMenu_;
}

void TTrayIcon::SetPopupMenu(QMenu* menu) {
    popupMenu_ = menu;
}

TrayNotifyData TTrayIcon::FillNotifyData() const {
    TrayNotifyData data;
    data.window = window_;
    data.icon = icon_;
    data.tip = toolTip_.left(TrayNotifyData::kTipCapacity - 1);
    return data;
}

bool TTrayIcon::Show() {
    const bool added = CurrentTrayShell().Add(FillNotifyData());
    if (toolTip_.isEmpty()) {
        // Some shells show no tip until the icon has been modified once after its add.
        QCoreApplication::postEvent(window_, new TrayMessageEvent(kTrayTipRefreshMessage, 0));
    }
    return added;
}

bool TTrayIcon::Refresh() {
    const TrayNotifyData data = FillNotifyData();
    if (active_) {
        return CurrentTrayShell().Modify(data);
    }
    return true;
}

bool TTrayIcon::Hide() {
    return CurrentTrayShell().Delete(FillNotifyData());
}

bool TTrayIcon::Dispatch(unsigned message, long lParam) {
    if (message == kTrayTipRefreshMessage) {
        SetToolTip(toolTip_);
        return true;
    }
    if (message != kTrayCallbackMessage) {
        return false;
    }
    switch (lParam) {
        case kTrayLeftButtonUp:
            if (OnClick) {
                OnClick(this);
            }
            break;
        case kTrayLeftButtonDblClk:
            if (OnDblClick) {
                OnDblClick(this);
            }
            break;
        case kTrayRightButtonUp:
            RightClick();
            break;
        default:
            break;
    }
    return true;
}

void TTrayIcon::RightClick() {
    TrayShell& shell = CurrentTrayShell();
    const QPoint pos = shell.CursorPos();
    if (popupMenu_) {
        shell.ShowPopupMenu(popupMenu_, pos);
    }
    if (OnRightClick) {
        OnRightClick(this, Qt::RightButton, Qt::NoModifier, pos.x(), pos.y());
    }
}

}  // namespace vindelor
