// Every window of the three programs as the window manager shows it: the program's icon
// from the first moment, the caption exactly as the program sets it (nothing appended),
// and no maximise button on a window of fixed size.
#include "xsession.h"

#include "components/artwork.h"
#include "converter/ristolaform.h"
#include "core/texts.h"
#include "dialogs/advanceddlg.h"
#include "dialogs/helpresources.h"
#include "dialogs/omdialog.h"
#include "dialogs/refreshdlg.h"
#include "dialogs/settingsdlg.h"
#include "monitor/adjust.h"
#include "monitor/fmodem.h"
#include "monitor/modemmain.h"
#include "monitor/timerstat.h"
#include "platform/services.h"
#include "support/testenv.h"
#include "viewer/mainform.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QTextBrowser>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace vindelor::test {
namespace {

// Shows `window` and waits until the window manager has framed it.
bool ShowManaged(QWidget* window) {
    window->show();
    QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents();
        if (!WindowProperty(window->winId(), "_NET_FRAME_EXTENTS").isEmpty()) {
            return true;
        }
        QThread::msleep(20);
    }
    return false;
}

enum class Size { Fixed, Free };

void ExpectAsShown(QWidget* window, const QIcon& programIcon, Size size = Size::Fixed) {
    SCOPED_TRACE(window->metaObject()->className());
    ASSERT_TRUE(ShowManaged(window));
    const WId id = window->winId();
    EXPECT_EQ(window->windowIcon().cacheKey(), programIcon.cacheKey());
    EXPECT_FALSE(WindowProperty(id, "_NET_WM_ICON", 64).isEmpty())
        << "the window manager shows its generic icon";
    EXPECT_EQ(WindowProperty(id, "_NET_WM_NAME"),
              QStringLiteral("_NET_WM_NAME = \"%1\"").arg(window->windowTitle()));

    if (size == Size::Fixed) {
        EXPECT_EQ(window->minimumSize(), window->maximumSize());
        const QString actions = WindowProperty(id, "_NET_WM_ALLOWED_ACTIONS");
        EXPECT_FALSE(actions.contains(QStringLiteral("MAXIMIZE"))) << actions.toStdString();
    }
    window->hide();
}

// Shows a message box the way the programs do (modally) and checks it while it is open.
void ExpectMessageBoxAsShown(QWidget* parent, const QString& caption, const QIcon& programIcon) {
    QTimer watch;
    bool seen = false;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || seen) {
            return;
        }
        seen = true;
        ExpectAsShown(box, programIcon);
        box->done(0);
    });
    watch.start(20);
    platform::Boxes().Show(parent, caption, QStringLiteral("?"),
                           platform::MessageBoxes::Icon::Information,
                           platform::MessageBoxes::Buttons::Ok);
    EXPECT_TRUE(seen);
}

void ExpectHelpAsShown(QWidget* parent, const QIcon& programIcon) {
    platform::Help().ShowHelp(parent, QStringLiteral("SVindelor"), 1);
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->findChild<QTextBrowser*>(QStringLiteral("HelpBrowser"))) {
            ExpectAsShown(w, programIcon, Size::Free);  // a reader's window
            w->close();
        }
    }
}

class Windows : public ::testing::Test {
  protected:
    void SetUp() override {
        if (TheSession().Display().isEmpty()) {
            GTEST_SKIP() << "no X display with a window manager: "
                         << NoSessionReason().toStdString();
        }
        InitHelpResources();
        SetLanguageOffset(kSwedishOffset);  // captions with å, ä and ö
    }
    ScopedDataDir data;
};

TEST_F(Windows, VindelorWhileIdle) {
    TForm1 form;
    const QIcon icon = LoadIconResource(QStringLiteral("VINDELOR"));
    {
        TFModem dialog(&form);
        ExpectAsShown(&dialog, icon);
    }
    {
        TOmDlg dialog(&form);
        ExpectAsShown(&dialog, icon);
    }
    {
        TSettingsDlg dialog(&form);
        ExpectAsShown(&dialog, icon);
    }
    {
        TAdvancedDlg dialog(&form);
        ExpectAsShown(&dialog, icon);
    }
    {
        TRefreshDlg dialog(&form);
        ExpectAsShown(&dialog, icon);
    }
    {
        TStatDlg dialog(&form);
        ExpectAsShown(&dialog, icon);
    }
    {
        TAdjustDlg dialog(&form);
        ExpectAsShown(&dialog, icon);
    }
    ExpectMessageBoxAsShown(&form, QStringLiteral("Vindelor"), icon);
    ExpectHelpAsShown(&form, icon);
    ExpectAsShown(&form, icon);
}

TEST_F(Windows, Brusko) {
    brusko::TForm1 form;
    const QIcon icon = LoadIconResource(QStringLiteral("BRUSKO"));
    ExpectAsShown(&form, icon, Size::Free);  // the list may be made larger
    {
        TOmDlg dialog(&form);
        ExpectAsShown(&dialog, icon);
    }
    {
        TSettingsDlg dialog(&form);
        ExpectAsShown(&dialog, icon);
    }
    {
        TAdvancedDlg dialog(&form);
        ExpectAsShown(&dialog, icon);
    }
    {
        TRefreshDlg dialog(&form);
        ExpectAsShown(&dialog, icon);
    }
    ExpectMessageBoxAsShown(&form, QStringLiteral("Brusko"), icon);
    ExpectHelpAsShown(&form, icon);
}

TEST_F(Windows, Ristola) {
    ristola::TForm1 form;
    const QIcon icon = LoadIconResource(QStringLiteral("VINDELOR"));
    ExpectAsShown(&form, icon);
    ExpectMessageBoxAsShown(&form, QStringLiteral("Ristola"), icon);
}

}  // namespace
}  // namespace vindelor::test
