#include "components/trayicon.h"

#include "components/test/faketrayshell.h"

#include <QCoreApplication>
#include <QMenu>
#include <QPixmap>

#include <gtest/gtest.h>

#include <memory>

namespace vindelor {
namespace {

using test::ScopedFakeTrayShell;

QIcon SolidIcon(Qt::GlobalColor colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

void DeliverPosted() {
    QCoreApplication::sendPostedEvents();
}

class TrayIconTest : public ::testing::Test {
  protected:
    ScopedFakeTrayShell shell;
};

TEST_F(TrayIconTest, StartsHiddenAndSendsNothing) {
    {
        TTrayIcon tray;
        EXPECT_FALSE(tray.Active());
        EXPECT_FALSE(tray.ShowDesigning());
        EXPECT_TRUE(tray.Icon().isNull());
        EXPECT_TRUE(tray.ToolTip().isEmpty());
        EXPECT_EQ(tray.PopupMenu(), nullptr);
        EXPECT_FALSE(tray.OnClick || tray.OnDblClick || tray.OnRightClick);
    }
    DeliverPosted();
    EXPECT_TRUE(shell.calls.empty());
}

TEST_F(TrayIconTest, ActiveAddsOnceAndRemoves) {
    TTrayIcon tray;
    tray.SetToolTip(QStringLiteral("rate"));
    tray.SetActive(true);
    tray.SetActive(true);
    DeliverPosted();
    ASSERT_EQ(shell.adds(), 1);
    EXPECT_EQ(shell.modifies(), 0) << "a tip is set, so no refresh follows the add";

    const TrayNotifyData& d = shell.calls.front().data;
    EXPECT_EQ(d.size, 88);
    EXPECT_EQ(d.window, tray.MessageWindow());
    EXPECT_EQ(d.id, 0u);
    EXPECT_EQ(d.flags, 7u);
    EXPECT_EQ(d.callbackMessage, 1025u);
    EXPECT_EQ(d.tip, QStringLiteral("rate"));

    tray.SetActive(false);
    tray.SetActive(false);
    EXPECT_EQ(shell.deletes(), 1);
    EXPECT_TRUE(shell.shown.empty());
}

TEST_F(TrayIconTest, EmptyTipIsRefreshedOnceAfterTheAdd) {
    TTrayIcon tray;
    tray.SetActive(true);
    EXPECT_EQ(shell.adds(), 1);
    EXPECT_EQ(shell.modifies(), 0) << "the refresh is queued, not immediate";
    DeliverPosted();
    ASSERT_EQ(shell.modifies(), 1);
    EXPECT_TRUE(shell.calls.back().data.tip.isEmpty());
    DeliverPosted();
    EXPECT_EQ(shell.modifies(), 1);
}

TEST_F(TrayIconTest, PendingRefreshDiesWithTheComponent) {
    {
        TTrayIcon tray;
        tray.SetActive(true);
    }
    DeliverPosted();
    EXPECT_EQ(shell.adds(), 1);
    EXPECT_EQ(shell.deletes(), 1);
    EXPECT_EQ(shell.modifies(), 0);
}

TEST_F(TrayIconTest, ToolTipIsCutTo62Characters) {
    TTrayIcon tray;
    const QString seventy = QString(60, QLatin1Char('a')) + QStringLiteral("bcdefghijk");
    tray.SetToolTip(seventy);  // hidden: stored only
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_EQ(tray.ToolTip(), seventy.left(62));

    tray.SetActive(true);
    EXPECT_EQ(shell.calls.back().data.tip, seventy.left(62));
    tray.SetToolTip(QStringLiteral("x") + seventy);
    ASSERT_EQ(shell.modifies(), 1);
    EXPECT_EQ(shell.calls.back().data.tip.size(), 62);
    EXPECT_TRUE(shell.calls.back().data.tip.startsWith(QStringLiteral("xa")));

    // A character of two code units at the cut goes whole or not at all.
    const QString wide =
        QString(61, QLatin1Char('a')) + QString::fromUcs4(U"\U0001F4B6") + QStringLiteral("z");
    tray.SetToolTip(wide);
    EXPECT_EQ(tray.ToolTip(), QString(61, QLatin1Char('a')));
    tray.SetToolTip(wide.mid(1));
    EXPECT_EQ(tray.ToolTip(), wide.mid(1, 62));
}

TEST_F(TrayIconTest, IconIsCopiedAndOnlyNewPicturesAreSent) {
    TTrayIcon tray;
    tray.SetToolTip(QStringLiteral("t"));
    {
        const QIcon red = SolidIcon(Qt::red);
        tray.SetIcon(red);  // hidden: stored for the next add
    }
    EXPECT_TRUE(shell.calls.empty());
    ASSERT_FALSE(tray.Icon().isNull());
    EXPECT_EQ(tray.Icon().pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));

    tray.SetActive(true);
    EXPECT_EQ(shell.LastIcon().cacheKey(), tray.Icon().cacheKey());

    tray.SetIcon(tray.Icon());  // its own object
    const QIcon same = tray.Icon();
    tray.SetIcon(same);  // the same picture
    EXPECT_EQ(shell.modifies(), 0);

    const QIcon green = SolidIcon(Qt::green);
    tray.SetIcon(green);
    ASSERT_EQ(shell.modifies(), 1);
    EXPECT_EQ(shell.LastIcon().pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::green));
}

TEST_F(TrayIconTest, RefusedAddLeavesActiveSet) {
    shell.refuseAdd = true;
    TTrayIcon tray;
    tray.SetToolTip(QStringLiteral("t"));
    EXPECT_FALSE(tray.Show());
    tray.SetActive(true);
    EXPECT_TRUE(tray.Active());
    EXPECT_FALSE(tray.Refresh()) << "the shell does not know the icon";
    EXPECT_TRUE(TTrayIcon().Refresh()) << "an inactive icon has nothing to refresh";
}

TEST_F(TrayIconTest, MouseMessagesBecomeEvents) {
    TTrayIcon tray;
    int clicks = 0, doubles = 0, rights = 0;
    QObject* sender = nullptr;
    tray.OnClick = [&](QObject* s) {
        ++clicks;
        sender = s;
    };
    tray.OnDblClick = [&](QObject*) { ++doubles; };
    QPoint at;
    tray.OnRightClick = [&](QObject* s, Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
        ++rights;
        EXPECT_EQ(s, &tray);
        EXPECT_EQ(b, Qt::RightButton);
        EXPECT_EQ(m, Qt::NoModifier);
        at = QPoint(x, y);
        EXPECT_EQ(shell.menus.size(), tray.PopupMenu() ? 1u : 0u) << "menu first, then event";
    };

    // Through the message window, as the shell delivers them.
    QCoreApplication::postEvent(tray.MessageWindow(), new TrayMessageEvent(1025, 0x0202));
    QCoreApplication::postEvent(tray.MessageWindow(), new TrayMessageEvent(1025, 0x0203));
    QCoreApplication::postEvent(tray.MessageWindow(), new TrayMessageEvent(1025, 0x0200));
    DeliverPosted();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(sender, &tray);

    shell.cursor = QPoint(1200, 790);
    EXPECT_TRUE(tray.Dispatch(1025, 0x0205));
    EXPECT_EQ(rights, 1);
    EXPECT_EQ(at, QPoint(1200, 790));
    EXPECT_TRUE(shell.menus.empty());

    QMenu menu;
    tray.SetPopupMenu(&menu);
    tray.Dispatch(1025, 0x0205);
    ASSERT_EQ(shell.menus.size(), 1u);
    EXPECT_EQ(shell.menus[0].first, &menu);
    EXPECT_EQ(shell.menus[0].second, QPoint(1200, 790));
    EXPECT_EQ(rights, 2);

    EXPECT_FALSE(tray.Dispatch(1024, 0x0202)) << "not a message of the component";
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(shell.calls.empty());
}

TEST_F(TrayIconTest, RightClickWithoutMenuOrHandlerDoesNothing) {
    TTrayIcon tray;
    auto menu = std::make_unique<QMenu>();
    tray.SetPopupMenu(menu.get());
    menu.reset();  // a menu that went away reads as none
    EXPECT_EQ(tray.PopupMenu(), nullptr);
    tray.Dispatch(1025, 0x0205);
    tray.Dispatch(1025, 0x0202);
    tray.Dispatch(1025, 0x0203);
    EXPECT_TRUE(shell.menus.empty());
    EXPECT_TRUE(shell.calls.empty());
}

TEST_F(TrayIconTest, DesignModeShowsOnlyWhenAskedTo) {
    {
        TTrayIcon tray;
        tray.SetShowDesigning(true);  // not in design mode: ignored
        EXPECT_FALSE(tray.ShowDesigning());
        tray.SetDesigning(true);
        tray.SetActive(true);  // stored only
        EXPECT_TRUE(tray.Active());
        DeliverPosted();
        EXPECT_TRUE(shell.calls.empty());

        tray.SetShowDesigning(true);
        EXPECT_EQ(shell.adds(), 1);
        tray.SetShowDesigning(true);
        EXPECT_EQ(shell.adds(), 1);
        tray.SetShowDesigning(false);
        EXPECT_EQ(shell.deletes(), 1);
        tray.SetShowDesigning(true);
        EXPECT_EQ(shell.adds(), 2);
    }
    EXPECT_EQ(shell.deletes(), 2) << "shown while designing: removed on destruction";
    DeliverPosted();
}

TEST_F(TrayIconTest, DestructionRemovesOnlyAShownIcon) {
    { TTrayIcon idle; }
    EXPECT_EQ(shell.deletes(), 0);
    {
        TTrayIcon shown;
        shown.SetActive(true);
    }
    EXPECT_EQ(shell.deletes(), 1);
    EXPECT_TRUE(shell.shown.empty());
    DeliverPosted();
}

TEST(TrayIconDesktopTest, WithoutANotificationAreaTheAddIsRefused) {
    // Offscreen there is no notification area; the component carries on regardless.
    TTrayIcon tray;
    tray.SetToolTip(QStringLiteral("t"));
    EXPECT_FALSE(tray.Show());
    EXPECT_FALSE(tray.Hide());
    tray.SetActive(true);
    tray.SetIcon(SolidIcon(Qt::yellow));
    EXPECT_TRUE(tray.Active());
}

}  // namespace
}  // namespace vindelor
