#include "dialogs/advanceddlg.h"

#include "core/profile.h"
#include "core/ratetable.h"
#include "core/sessionglobals.h"
#include "core/texts.h"
#include "platform/test/fakes.h"
#include "support/testenv.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QWindow>

#include <gtest/gtest.h>

#include <set>

QT_BEGIN_NAMESPACE
// Feeds a mouse event in as the window system would, so Qt itself turns two quick
// presses into a double-click, exactly as for a user.
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow* window, const QPointF& local, const QPointF& global,
                                      Qt::MouseButtons state, Qt::MouseButton button,
                                      QEvent::Type type, Qt::KeyboardModifiers mods, int timestamp);
QT_END_NAMESPACE

namespace vindelor {
namespace {

using platform::MessageBoxes;

const QString kIni = kSettingsFile;

void Write(const QString& section, const QString& key, const QString& value) {
    ASSERT_TRUE(WriteProfileString(section, key, value, kIni));
}

QString Read(const QString& section, const QString& key) {
    return GetProfileString(section, key, QStringLiteral("<missing>"), 100, kIni);
}

class AdvancedDlgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearProfileCache();
        savedOffset_ = LanguageOffset();
        SetLanguageOffset(kEnglishOffset);
        SessionGlobals().LanguageCode = QStringLiteral("UK");
        SessionGlobals().CurrencySymbol = QStringLiteral("mk");
        ProgramRateWeek().Clear();
    }
    void TearDown() override {
        SetLanguageOffset(savedOffset_);
        ProgramRateWeek().Clear();
        ClearProfileCache();
    }

    test::ScopedDataDir dir_;
    platform::test::ScopedFakes fakes_;
    int savedOffset_ = 0;
};

QStringList TabTexts(const QTabBar* bar) {
    QStringList texts;
    for (int i = 0; i < bar->count(); ++i) {
        texts << bar->tabText(i);
    }
    return texts;
}

// --- opening ------------------------------------------------------------------------------

TEST_F(AdvancedDlgTest, OpensWithDefaultsWhenNothingIsStored) {
    TAdvancedDlg dlg;
    EXPECT_TRUE(dlg.CheckBox5->isChecked());
    EXPECT_EQ(
        TabTexts(dlg.TabControl1),
        QStringList({QStringLiteral("Mon to Fri"), QStringLiteral("Sat"), QStringLiteral("Sun")}));
    EXPECT_FALSE(dlg.CheckBox7->isChecked());
    EXPECT_FALSE(dlg.PageVisible(dlg.TabSheet2));
    EXPECT_TRUE(dlg.PageVisible(dlg.TabSheet1));
    EXPECT_FALSE(dlg.PageVisible(dlg.TabSheet5));
    EXPECT_TRUE(dlg.PageVisible(dlg.TabSheet4));
    EXPECT_TRUE(dlg.PageVisible(dlg.TabSheet6));
    for (QCheckBox* box : {dlg.CheckBox1, dlg.CheckBox2, dlg.CheckBox3, dlg.CheckBox4,
                           dlg.CheckBox6, dlg.CheckBox12, dlg.CheckBox8, dlg.CheckBox11}) {
        EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
    }
    EXPECT_EQ(dlg.Edit1->text(), QString());
    EXPECT_EQ(dlg.Edit4->text(), QString());
    EXPECT_EQ(dlg.Edit5->text(), QStringLiteral("0"));
    EXPECT_EQ(dlg.Edit6->text(), QStringLiteral("0.00"));
    EXPECT_EQ(dlg.Edit7->text(), QStringLiteral("0.00"));
    EXPECT_EQ(dlg.Edit8->text(), QStringLiteral("0.00"));
    EXPECT_EQ(dlg.Edit11->text(), QStringLiteral("0.00"));
    EXPECT_EQ(dlg.PaintClass(), 0);
    EXPECT_EQ(dlg.Label5->text(), QStringLiteral("h, for mk"));
    EXPECT_EQ(dlg.Label6->text(), QStringLiteral(",then per h mk"));
    EXPECT_TRUE(dlg.windowTitle().startsWith(QStringLiteral("Vindelor - ")));
}

TEST_F(AdvancedDlgTest, StoredSpecialOptionsPassThroughTheInterlocks) {
    struct Case {
        const char* rounding;
        const char* tries;
        const char* counter;
        const char* shortSessions;
        bool box1, box2, box3, box4;
    };
    const Case cases[] = {
        // The short-sessions box wins while opening: it keeps the seconds and drops tries.
        {"Nej", "Ja", "Nej", "Ja", true, false, false, true},
        {"Ja", "Ja", "Ja", "Nej", true, true, true, false},
        {"Nej", "Nej", "Nej", "Nej", false, false, false, false},
        // Only the exact word "Ja" switches an option on.
        {"ja", "JA", "Ja ", "Nej", false, false, true, false},
    };
    for (const Case& c : cases) {
        Write(QStringLiteral("Session"), QStringLiteral("Avrundning"),
              QString::fromUtf8(c.rounding));
        Write(QStringLiteral("Session"), QString::fromUtf8("Försök"), QString::fromUtf8(c.tries));
        Write(QStringLiteral("Session"), QString::fromUtf8("Räknare"),
              QString::fromUtf8(c.counter));
        Write(QStringLiteral("Session"), QStringLiteral("<1min"),
              QString::fromUtf8(c.shortSessions));
        TAdvancedDlg dlg;
        SCOPED_TRACE(std::string(c.rounding) + "/" + c.tries + "/" + c.counter + "/" +
                     c.shortSessions);
        EXPECT_EQ(dlg.CheckBox1->isChecked(), c.box1);
        EXPECT_EQ(dlg.CheckBox2->isChecked(), c.box2);
        EXPECT_EQ(dlg.CheckBox3->isChecked(), c.box3);
        EXPECT_EQ(dlg.CheckBox4->isChecked(), c.box4);
    }
}

TEST_F(AdvancedDlgTest, OpensWithTheStoredTariff) {
    Write(QStringLiteral("Session"), QStringLiteral("Multiple"), QStringLiteral("Ja"));
    Write(QStringLiteral("Session"), QStringLiteral("PeakSpec"), QStringLiteral("Ja"));
    Write(QStringLiteral("Session"), QString::fromUtf8("Må-fre"), QStringLiteral("Nej"));
    Write(QStringLiteral("PeakSpec"), QStringLiteral("Rate1"), QString::fromUtf8("Grön"));
    Write(QStringLiteral("PeakSpec"), QStringLiteral("Rate2"), QStringLiteral("Gul"));
    Write(QStringLiteral("PeakSpec"), QStringLiteral("Rate3"), QString::fromUtf8("Röd"));
    Write(QStringLiteral("PeakSpec"), QStringLiteral("Rate4"), QStringLiteral("Ingen"));
    Write(QStringLiteral("Initial"), QStringLiteral("Rate2"), QStringLiteral("Ja"));
    Write(QStringLiteral("Initial"), QStringLiteral("Pris_r2"), QStringLiteral("0.35"));
    Write(QStringLiteral("Initial"), QStringLiteral("Rate3"), QStringLiteral("Nej"));
    Write(QStringLiteral("Initial"), QStringLiteral("Pris_r3"), QStringLiteral("9.99"));
    Write(QStringLiteral("Avgifter"), QStringLiteral("Avg1"), QStringLiteral("0.125"));
    // Longer than the classic read buffers: opening must not shorten it.
    Write(QStringLiteral("Avgifter"), QStringLiteral("Avg4"), QStringLiteral("12.345678901"));

    TAdvancedDlg dlg;
    EXPECT_TRUE(dlg.CheckBox7->isChecked());
    EXPECT_TRUE(dlg.PageVisible(dlg.TabSheet2));
    EXPECT_TRUE(dlg.CheckBox6->isChecked());
    EXPECT_TRUE(dlg.PageVisible(dlg.TabSheet5));
    EXPECT_FALSE(dlg.CheckBox5->isChecked());
    EXPECT_EQ(dlg.TabControl1->count(), 7);
    EXPECT_EQ(dlg.TabControl1->tabText(0), QStringLiteral("Mon"));
    EXPECT_EQ(dlg.TabControl1->tabText(6), QStringLiteral("Sun"));

    const bool expected[4][3] = {
        {true, false, false}, {false, true, false}, {false, false, true}, {false, false, false}};
    for (int k = 0; k < 4; ++k) {
        for (int level = 0; level < 3; ++level) {
            EXPECT_EQ(dlg.LevelButtons[k][level]->isChecked(), expected[k][level])
                << "class " << k + 1 << " level " << level;
        }
    }
    EXPECT_FALSE(dlg.CheckBox8->isChecked());
    EXPECT_TRUE(dlg.CheckBox9->isChecked());
    EXPECT_EQ(dlg.Edit9->text(), QStringLiteral("0.35"));
    EXPECT_FALSE(dlg.CheckBox10->isChecked());
    EXPECT_EQ(dlg.Edit10->text(), QStringLiteral("0.00"));
    EXPECT_EQ(dlg.Edit1->text(), QStringLiteral("0.125"));
    EXPECT_EQ(dlg.Edit2->text(), QString());
    EXPECT_EQ(dlg.Edit4->text(), QStringLiteral("12.345678901"));
}

TEST_F(AdvancedDlgTest, UsagePackageOpensWithoutTheTablePages) {
    Write(QStringLiteral("Session"), QStringLiteral("Multiple"), QStringLiteral("Ja"));
    Write(QStringLiteral("Session"), QStringLiteral("PeakSpec"), QStringLiteral("Ja"));
    Write(QStringLiteral("Charge"), QStringLiteral("simpel"), QStringLiteral("Ja"));
    Write(QStringLiteral("Charge"), QStringLiteral("simpel_h"), QStringLiteral("20"));
    Write(QStringLiteral("Charge"), QStringLiteral("simpel_$1"), QStringLiteral("149.90"));
    Write(QStringLiteral("Charge"), QStringLiteral("simpel_$2"), QStringLiteral("12.5"));

    TAdvancedDlg dlg;
    EXPECT_TRUE(dlg.CheckBox12->isChecked());
    EXPECT_FALSE(dlg.PageVisible(dlg.TabSheet4));
    EXPECT_FALSE(dlg.PageVisible(dlg.TabSheet5));
    EXPECT_FALSE(dlg.PageVisible(dlg.TabSheet6));
    EXPECT_TRUE(dlg.PageVisible(dlg.TabSheet3));
    EXPECT_FALSE(dlg.CheckBox5->isChecked());
    EXPECT_FALSE(dlg.CheckBox5->isEnabled());
    EXPECT_FALSE(dlg.CheckBox6->isChecked());
    EXPECT_FALSE(dlg.CheckBox6->isEnabled());
    EXPECT_FALSE(dlg.GroupBox2->isEnabled());
    EXPECT_TRUE(dlg.GroupBox2->isHidden());
    EXPECT_EQ(dlg.Edit5->text(), QStringLiteral("20"));
    EXPECT_EQ(dlg.Edit6->text(), QStringLiteral("149.90"));
    EXPECT_EQ(dlg.Edit7->text(), QStringLiteral("12.5"));
    EXPECT_TRUE(dlg.Edit5->isEnabled());

    // Switching the package off brings back the tables and initial charges, but the
    // indicator only with its own box.
    dlg.CheckBox12->setChecked(false);
    EXPECT_TRUE(dlg.PageVisible(dlg.TabSheet4));
    EXPECT_TRUE(dlg.PageVisible(dlg.TabSheet6));
    EXPECT_FALSE(dlg.PageVisible(dlg.TabSheet5));
    EXPECT_TRUE(dlg.CheckBox5->isEnabled());
    EXPECT_TRUE(dlg.GroupBox2->isEnabled());
    EXPECT_FALSE(dlg.GroupBox2->isHidden());
    dlg.CheckBox6->setChecked(true);
    EXPECT_TRUE(dlg.PageVisible(dlg.TabSheet5));
}

TEST_F(AdvancedDlgTest, CheckBoxInterlocks) {
    TAdvancedDlg dlg;
    dlg.CheckBox2->setChecked(true);
    dlg.CheckBox4->setChecked(true);
    EXPECT_TRUE(dlg.CheckBox1->isChecked());
    EXPECT_FALSE(dlg.CheckBox2->isChecked());
    dlg.CheckBox1->setChecked(false);
    EXPECT_FALSE(dlg.CheckBox4->isChecked());
    dlg.CheckBox4->setChecked(true);
    dlg.CheckBox2->setChecked(true);
    EXPECT_FALSE(dlg.CheckBox4->isChecked());
    EXPECT_TRUE(dlg.CheckBox1->isChecked());  // stays: only the short-sessions box follows

    dlg.CheckBox7->setChecked(true);
    EXPECT_TRUE(dlg.PageVisible(dlg.TabSheet2));
    dlg.CheckBox7->setChecked(false);
    EXPECT_FALSE(dlg.PageVisible(dlg.TabSheet2));

    dlg.CheckBox5->setChecked(false);
    EXPECT_EQ(dlg.TabControl1->count(), 7);
    dlg.CheckBox12->setChecked(true);
    EXPECT_FALSE(dlg.PageVisible(dlg.TabSheet4));
    dlg.CheckBox5->setChecked(true);
    EXPECT_FALSE(dlg.CheckBox12->isChecked());
    EXPECT_EQ(dlg.TabControl1->count(), 3);
}

TEST_F(AdvancedDlgTest, HourMarksFollowTheLanguage) {
    struct Case {
        int offset;
        QString right[3];
        QString bottomFirst, bottomLast;
    };
    const Case cases[] = {
        {kEnglishOffset, {"am", "60", "pm"}, "00", "12"},
        {kSwedishOffset, {"30", "60", "30"}, "12", "24"},
        {kFinnishOffset, {"30", "60", "30"}, "12", "24"},
    };
    for (const Case& c : cases) {
        SetLanguageOffset(c.offset);
        TAdvancedDlg dlg;
        SCOPED_TRACE(c.offset);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(dlg.RightMarks[i]->text(), c.right[i]);
        }
        EXPECT_EQ(dlg.LeftMarks[0]->text(), QStringLiteral("30"));
        EXPECT_EQ(dlg.LeftMarks[1]->text(), QStringLiteral("60"));
        EXPECT_EQ(dlg.LeftMarks[2]->text(), QStringLiteral("30"));
        EXPECT_EQ(dlg.TopMarks[0]->text(), QStringLiteral("00"));
        EXPECT_EQ(dlg.TopMarks[12]->text(), QStringLiteral("12"));
        EXPECT_EQ(dlg.BottomMarks[0]->text(), c.bottomFirst);
        EXPECT_EQ(dlg.BottomMarks[12]->text(), c.bottomLast);
        EXPECT_EQ(dlg.TabControl1->tabText(0), Text(82));
        EXPECT_EQ(dlg.windowTitle(), Text(49));
    }
}

// --- the grid -----------------------------------------------------------------------------

TEST_F(AdvancedDlgTest, GridRowsAreFirstSecondSecondFirstHalves) {
    TAdvancedDlg dlg;
    std::set<int> seen;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 12; ++column) {
            const TRateCell* cell = dlg.Cell(row, column);
            int hour = -1;
            bool second = false;
            HalfHourOfSlot(cell->SlotNumber(), &hour, &second);
            EXPECT_EQ(hour, row < 2 ? column : column + 12) << row << "," << column;
            EXPECT_EQ(second, row == 1 || row == 2) << row << "," << column;
            seen.insert(cell->SlotNumber());
            EXPECT_EQ(dlg.CellForSlot(cell->SlotNumber()), cell);
        }
    }
    EXPECT_EQ(seen.size(), 48u);
    EXPECT_EQ(dlg.Cell(0, 10)->SlotNumber(), 3);   // 10:00-10:30
    EXPECT_EQ(dlg.Cell(1, 10)->SlotNumber(), 4);   // 10:30-11:00
    EXPECT_EQ(dlg.Cell(3, 2)->SlotNumber(), 29);   // 14:00-14:30
    EXPECT_EQ(dlg.Cell(2, 11)->SlotNumber(), 47);  // 23:30-24:00
}

TEST_F(AdvancedDlgTest, PaintsTheDayWithClassColoursAndQuarterCaptions) {
    TRateWeek& week = ProgramRateWeek();
    week.Slot(1, 4) = {2, 33};   // Monday 10:30: red, "-45" in fuchsia
    week.Slot(1, 29) = {4, 12};  // Monday 14:00: aqua, "15-" in yellow
    week.Slot(1, 3) = {0, 21};   // empty half hour: no caption whatever the code
    week.Slot(1, 5) = {1, 0};
    week.Slot(1, 6) = {1, 57};  // not a quarter code: no caption
    week.Slot(2, 4) = {3, 0};   // Tuesday differs

    Write(QStringLiteral("Session"), QString::fromUtf8("Må-Fre"), QStringLiteral("Nej"));
    TAdvancedDlg dlg;
    const QColor face = dlg.palette().color(QPalette::Button);
    TRateCell* c1030 = dlg.CellForSlot(4);
    EXPECT_EQ(c1030->Colour(), QColor(255, 0, 0));
    EXPECT_EQ(c1030->Caption(), QStringLiteral("-45"));
    EXPECT_EQ(RateClassColour(c1030->CaptionClass(), face), QColor(255, 0, 255));
    TRateCell* c1400 = dlg.CellForSlot(29);
    EXPECT_EQ(c1400->Colour(), QColor(0, 255, 255));
    EXPECT_EQ(c1400->Caption(), QStringLiteral("15-"));
    EXPECT_EQ(RateClassColour(c1400->CaptionClass(), face), QColor(255, 255, 0));
    EXPECT_EQ(dlg.CellForSlot(3)->Colour(), face);
    EXPECT_EQ(dlg.CellForSlot(3)->Caption(), QString());
    EXPECT_EQ(dlg.CellForSlot(5)->Colour(), QColor(255, 255, 0));
    EXPECT_EQ(dlg.CellForSlot(6)->Caption(), QString());

    dlg.TabControl1->setCurrentIndex(1);  // Tuesday
    EXPECT_EQ(dlg.CellForSlot(4)->Colour(), QColor(255, 0, 255));
    EXPECT_EQ(dlg.CellForSlot(4)->Caption(), QString());
    EXPECT_EQ(dlg.CellForSlot(29)->Colour(), face);
}

TEST_F(AdvancedDlgTest, ColoursMapBackToTheirClasses) {
    const QColor face(212, 208, 200);
    for (int k = 0; k <= 4; ++k) {
        EXPECT_EQ(RateClassOfColour(RateClassColour(k, face)), k);
    }
    EXPECT_EQ(RateClassColour(2, face), QColor(255, 0, 0));
    EXPECT_EQ(RateClassColour(5, face), face);
}

TEST_F(AdvancedDlgTest, ClickWritesTheClassUnderTheTabOnly) {
    TRateWeek& week = ProgramRateWeek();
    week.Slot(1, 4) = {1, 13};
    TAdvancedDlg dlg;
    dlg.SpeedButtonClick(2);
    EXPECT_TRUE(dlg.SpeedButton2->isChecked());
    dlg.KlickaPaPanel(dlg.Cell(1, 10));  // 10:30 on "Mon to Fri"
    for (int day = 1; day <= 7; ++day) {
        EXPECT_EQ(week.Slot(day, 4).RateClass, day <= 5 ? 2 : 0) << "day " << day;
        EXPECT_EQ(week.Slot(day, 3).RateClass, 0) << "day " << day;
    }
    EXPECT_EQ(week.Slot(1, 4).QuarterCode, 13);  // the exception is not touched
    EXPECT_EQ(dlg.Cell(1, 10)->Colour(), QColor(255, 0, 0));

    // Without a colour chosen a click empties the half hour, in look and in the table.
    TAdvancedDlg fresh;
    fresh.KlickaPaPanel(fresh.Cell(1, 10));
    EXPECT_EQ(week.Slot(1, 4).RateClass, 0);
    EXPECT_EQ(week.Slot(5, 4).RateClass, 0);
    EXPECT_EQ(RateClassOfColour(fresh.Cell(1, 10)->Colour()), 0);
}

TEST_F(AdvancedDlgTest, DoubleClickStepsTheQuarterAndKeepsThePrimaryClass) {
    TRateWeek& week = ProgramRateWeek();
    for (int day = 1; day <= 5; ++day) {
        week.Slot(day, 29) = {1, 0};  // 14:00, yellow
        week.Slot(day, 4) = {4, 0};   // 10:30, aqua
    }
    TAdvancedDlg dlg;
    dlg.SpeedButtonClick(3);
    TRateCell* cell = dlg.Cell(3, 2);
    auto doubleClick = [&](TRateCell* c) {
        dlg.KlickaPaPanel(c);  // the first click of a double-click
        dlg.DblKlickaPaPanel(c);
    };
    doubleClick(cell);
    EXPECT_EQ(cell->Caption(), QStringLiteral("-15"));
    EXPECT_EQ(week.Slot(1, 29).QuarterCode, 31);
    doubleClick(cell);
    EXPECT_EQ(cell->Colour(), QColor(255, 255, 0));
    EXPECT_EQ(cell->Caption(), QStringLiteral("15-"));
    EXPECT_EQ(cell->CaptionClass(), 3);
    for (int day = 1; day <= 7; ++day) {
        EXPECT_EQ(week.Slot(day, 29).QuarterCode, day <= 5 ? 32 : 0) << "day " << day;
        EXPECT_EQ(week.Slot(day, 29).RateClass, day <= 5 ? 1 : 0) << "day " << day;
    }
    doubleClick(cell);
    EXPECT_EQ(cell->Caption(), QString());
    EXPECT_EQ(week.Slot(1, 29).QuarterCode, 0);
    EXPECT_EQ(week.Slot(1, 29).RateClass, 1);

    // Second halves cycle through "-45" and "45-"; the caption takes the paint colour.
    TRateCell* second = dlg.Cell(1, 10);
    dlg.SpeedButtonClick(2);
    doubleClick(second);
    EXPECT_EQ(second->Caption(), QStringLiteral("-45"));
    EXPECT_EQ(week.Slot(3, 4).QuarterCode, 23);
    dlg.SpeedButtonClick(1);
    doubleClick(second);
    EXPECT_EQ(second->Caption(), QStringLiteral("45-"));
    EXPECT_EQ(second->CaptionClass(), 1);
    EXPECT_EQ(week.Slot(3, 4).QuarterCode, 14);
    EXPECT_EQ(week.Slot(3, 4).RateClass, 4);
    EXPECT_EQ(second->Colour(), QColor(0, 255, 255));
}

TEST_F(AdvancedDlgTest, DoubleClickWithoutAClassClearsTheException) {
    TRateWeek& week = ProgramRateWeek();
    for (int day = 1; day <= 5; ++day) {
        week.Slot(day, 29) = {2, 21};
    }
    // An empty half hour stays empty: no class and no quarter code.
    {
        TAdvancedDlg dlg;
        dlg.SpeedButtonClick(3);
        TRateCell* empty = dlg.Cell(0, 5);  // 05:00, slot 14
        dlg.KlickaPaPanel(empty);
        dlg.DblKlickaPaPanel(empty);
        EXPECT_EQ(week.Slot(1, 14).RateClass, 0);
        EXPECT_EQ(week.Slot(1, 14).QuarterCode, 0);
        EXPECT_EQ(empty->Caption(), QString());
        EXPECT_EQ(RateClassOfColour(empty->Colour()), 0);
    }
    // No colour chosen: the primary class stays, the exception goes.
    {
        TAdvancedDlg dlg;
        TRateCell* cell = dlg.Cell(3, 2);
        EXPECT_EQ(cell->Caption(), QStringLiteral("-15"));
        dlg.KlickaPaPanel(cell);
        dlg.DblKlickaPaPanel(cell);
        EXPECT_EQ(week.Slot(1, 29).RateClass, 2);
        EXPECT_EQ(week.Slot(1, 29).QuarterCode, 0);
        EXPECT_EQ(cell->Caption(), QString());
        EXPECT_EQ(cell->Colour(), QColor(255, 0, 0));
    }
}

// Sends what the window system sends for a user's double-click at the cell's centre.
class MouseFeeder {
  public:
    void Click(QWidget* w, int offsetMs) { Send(w, offsetMs, true); }
    void DoubleClick(QWidget* w) {
        Send(w, 0, false);
        Send(w, 60, false);
        time_ += 2000;  // the next gesture starts a fresh one
    }

  private:
    void Send(QWidget* w, int offsetMs, bool single) {
        QWindow* window = w->window()->windowHandle();
        const QPointF local = w->mapTo(w->window(), w->rect().center());
        const QPointF global = w->mapToGlobal(w->rect().center());
        qt_handleMouseEvent(window, local, global, Qt::LeftButton, Qt::LeftButton,
                            QEvent::MouseButtonPress, Qt::NoModifier, time_ + offsetMs);
        qt_handleMouseEvent(window, local, global, Qt::NoButton, Qt::LeftButton,
                            QEvent::MouseButtonRelease, Qt::NoModifier, time_ + offsetMs + 10);
        QApplication::processEvents();
        if (single) {
            time_ += 2000;
        }
    }
    static inline int time_ = 100000;
};

TEST_F(AdvancedDlgTest, RealMouseDoubleClickIsOneStep) {
    TRateWeek& week = ProgramRateWeek();
    for (int day = 1; day <= 5; ++day) {
        week.Slot(day, 29) = {1, 0};
    }
    Write(QStringLiteral("Session"), QStringLiteral("Multiple"), QStringLiteral("Ja"));
    TAdvancedDlg dlg;
    dlg.show();
    dlg.PageControl1->setCurrentWidget(dlg.TabSheet2);
    dlg.PageControl2->setCurrentWidget(dlg.TabSheet4);
    QApplication::processEvents();
    ASSERT_TRUE(dlg.Cell(3, 2)->isVisible());

    MouseFeeder mouse;
    mouse.Click(dlg.SpeedButton3, 0);
    EXPECT_EQ(dlg.PaintClass(), 3);

    TRateCell* cell = dlg.Cell(3, 2);
    mouse.DoubleClick(cell);
    EXPECT_EQ(cell->Caption(), QStringLiteral("-15"));
    mouse.DoubleClick(cell);
    EXPECT_EQ(cell->Caption(), QStringLiteral("15-"));
    EXPECT_EQ(cell->Colour(), QColor(255, 255, 0));
    EXPECT_EQ(week.Slot(1, 29).RateClass, 1);
    EXPECT_EQ(week.Slot(1, 29).QuarterCode, 32);
    mouse.DoubleClick(cell);
    EXPECT_EQ(cell->Caption(), QString());
    EXPECT_EQ(week.Slot(1, 29).QuarterCode, 0);

    // A plain click paints.
    mouse.Click(dlg.Cell(0, 0), 0);
    EXPECT_EQ(week.Slot(1, 23).RateClass, 3);
    EXPECT_EQ(dlg.Cell(0, 0)->Colour(), QColor(255, 0, 255));
}

TEST_F(AdvancedDlgTest, ClearAndAllActOnTheShownDaysOnly) {
    TRateWeek& week = ProgramRateWeek();
    for (int day = 1; day <= 7; ++day) {
        for (int slot = 1; slot <= kSlots; ++slot) {
            week.Slot(day, slot) = {2, 24};
        }
    }
    TAdvancedDlg dlg;
    dlg.TabControl1->setCurrentIndex(1);  // "Sat"
    ASSERT_EQ(dlg.DaysOfCurrentTab(), std::vector<int>({6}));
    dlg.BitBtn4Click();
    for (int slot = 1; slot <= kSlots; ++slot) {
        EXPECT_EQ(week.Slot(6, slot).RateClass, 0);
        EXPECT_EQ(week.Slot(6, slot).QuarterCode, 0);
        EXPECT_EQ(week.Slot(5, slot).RateClass, 2);
        EXPECT_EQ(week.Slot(7, slot).QuarterCode, 24);
    }
    EXPECT_EQ(RateClassOfColour(dlg.Cell(2, 3)->Colour()), 0);

    dlg.TabControl1->setCurrentIndex(0);  // "Mon to Fri"
    dlg.SpeedButtonClick(4);
    dlg.BitBtn5Click();
    for (int day = 1; day <= 7; ++day) {
        EXPECT_EQ(week.Slot(day, 17).RateClass, day <= 5 ? 4 : (day == 6 ? 0 : 2));
        EXPECT_EQ(week.Slot(day, 17).QuarterCode, day == 6 ? 0 : 24);  // codes untouched
    }
    EXPECT_EQ(dlg.Cell(3, 11)->Colour(), QColor(0, 255, 255));
}

TEST_F(AdvancedDlgTest, DayTabsStandForTheirDayTables) {
    TAdvancedDlg dlg;
    EXPECT_EQ(dlg.DaysOfCurrentTab(), std::vector<int>({1, 2, 3, 4, 5}));
    dlg.TabControl1->setCurrentIndex(2);
    EXPECT_EQ(dlg.DaysOfCurrentTab(), std::vector<int>({7}));
    ProgramRateWeek().Slot(3, 10) = {4, 0};  // Wednesday 07:00
    dlg.CheckBox5->setChecked(false);
    ASSERT_EQ(dlg.TabControl1->count(), 7);
    // The tab at the same place now stands for Wednesday, and the grid says so.
    EXPECT_EQ(dlg.DaysOfCurrentTab(), std::vector<int>({3}));
    EXPECT_EQ(dlg.CellForSlot(10)->RateClass(), 4);
    dlg.TabControl1->setCurrentIndex(6);
    EXPECT_EQ(dlg.DaysOfCurrentTab(), std::vector<int>({7}));
    dlg.SpeedButtonClick(1);
    dlg.KlickaPaPanel(dlg.Cell(0, 0));
    EXPECT_EQ(ProgramRateWeek().Slot(7, 23).RateClass, 1);
    EXPECT_EQ(ProgramRateWeek().Slot(1, 23).RateClass, 0);
}

// --- OK, Cancel, help ---------------------------------------------------------------------

TEST_F(AdvancedDlgTest, OkWithoutMultipleRatesWritesTheSessionOptionsAndCloses) {
    TAdvancedDlg dlg;
    dlg.CheckBox4->setChecked(true);
    dlg.CheckBox3->setChecked(true);
    dlg.Edit1->setText(QStringLiteral("0,25"));
    dlg.BitBtn1Click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(Read(QStringLiteral("Session"), QStringLiteral("Avrundning")), QStringLiteral("Ja"));
    EXPECT_EQ(Read(QStringLiteral("Session"), QString::fromUtf8("Försök")), QStringLiteral("Nej"));
    EXPECT_EQ(Read(QStringLiteral("Session"), QString::fromUtf8("Räknare")), QStringLiteral("Ja"));
    EXPECT_EQ(Read(QStringLiteral("Session"), QStringLiteral("<1min")), QStringLiteral("Ja"));
    EXPECT_EQ(Read(QStringLiteral("Session"), QStringLiteral("Multiple")), QStringLiteral("Nej"));
    EXPECT_EQ(Read(QStringLiteral("Avsluta"), QStringLiteral("Visa")), QStringLiteral("Ja"));
    EXPECT_EQ(Read(QStringLiteral("Avgifter"), QStringLiteral("Avg1")),
              QStringLiteral("<missing>"));
    EXPECT_FALSE(QFile::exists(dir_.file(kRateDataFile)));
    EXPECT_TRUE(fakes_.boxes.shown.empty());
}

TEST_F(AdvancedDlgTest, RefusedOkKeepsTheDialogOpenWithNormalisedFields) {
    ProgramRateWeek().Slot(1, 1) = {1, 0};
    TAdvancedDlg dlg;
    dlg.CheckBox7->setChecked(true);
    dlg.Edit2->setText(QStringLiteral("0,25"));
    dlg.Edit9->setText(QStringLiteral("1,5"));
    dlg.BitBtn1Click();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    ASSERT_EQ(fakes_.boxes.shown.size(), 1u);
    EXPECT_EQ(fakes_.boxes.shown[0].text, Text(98));  // rate 1 used but not defined
    EXPECT_EQ(dlg.Edit2->text(), QStringLiteral("0.25"));
    EXPECT_EQ(dlg.Edit9->text(), QStringLiteral("1.5"));
    EXPECT_EQ(Read(QStringLiteral("Session"), QStringLiteral("Multiple")), QStringLiteral("Ja"));
    EXPECT_FALSE(QFile::exists(dir_.file(kRateDataFile)));
}

TEST_F(AdvancedDlgTest, AcceptedWholeWeekFillShowsInTheGrid) {
    TAdvancedDlg dlg;
    dlg.CheckBox7->setChecked(true);
    dlg.Edit1->setText(QStringLiteral("0.10"));
    dlg.CheckBox8->setChecked(true);
    dlg.Edit8->setText(QStringLiteral("0,50"));
    fakes_.boxes.answers = {MessageBoxes::Answer::Ok};  // use rate 1 for the whole week
    dlg.BitBtn1Click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    ASSERT_EQ(fakes_.boxes.shown.size(), 1u);
    EXPECT_EQ(fakes_.boxes.shown[0].text, Text(102));
    EXPECT_EQ(fakes_.boxes.shown[0].buttons, MessageBoxes::Buttons::NoOk);
    EXPECT_EQ(ProgramRateWeek().Slot(7, 48).RateClass, 1);
    EXPECT_EQ(dlg.Cell(2, 11)->Colour(), QColor(255, 255, 0));
    EXPECT_EQ(Read(QStringLiteral("Initial"), QStringLiteral("Pris_r1")), QStringLiteral("0.50"));
    EXPECT_EQ(test::ReadFileBytes(dir_.file(kRateDataFile)).size(), kRateDataSize);
}

TEST_F(AdvancedDlgTest, FailedRateFileWriteIsReportedAndTheDialogStaysOpen) {
    // A directory in the file's place makes the write fail.
    ASSERT_TRUE(QDir(dir_.path()).mkpath(kRateDataFile + QStringLiteral("/x")));
    for (int day = 1; day <= 7; ++day) {
        for (int slot = 1; slot <= kSlots; ++slot) {
            ProgramRateWeek().Slot(day, slot) = {1, 0};
        }
    }
    TAdvancedDlg dlg;
    dlg.CheckBox7->setChecked(true);
    dlg.Edit1->setText(QStringLiteral("0.10"));
    dlg.BitBtn1Click();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    ASSERT_EQ(fakes_.boxes.shown.size(), 1u);
    EXPECT_EQ(fakes_.boxes.shown[0].icon, MessageBoxes::Icon::Error);
    EXPECT_FALSE(fakes_.boxes.shown[0].text.isEmpty());
    EXPECT_EQ(Read(QStringLiteral("Avgifter"), QStringLiteral("Avg1")), QStringLiteral("0.10"));
}

TEST_F(AdvancedDlgTest, CancelWritesNothingButKeepsThePaintedCells) {
    {
        TAdvancedDlg dlg;
        dlg.CheckBox3->setChecked(true);
        dlg.SpeedButtonClick(2);
        dlg.KlickaPaPanel(dlg.Cell(0, 8));  // 08:00, slot 7
        dlg.BitBtn2->click();
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
    }
    EXPECT_FALSE(QFile::exists(dir_.file(kIni)));
    EXPECT_FALSE(QFile::exists(dir_.file(kRateDataFile)));
    EXPECT_EQ(ProgramRateWeek().Slot(1, 7).RateClass, 2);
    TAdvancedDlg again;
    EXPECT_EQ(again.Cell(0, 8)->Colour(), QColor(255, 0, 0));
    EXPECT_FALSE(again.CheckBox3->isChecked());
}

TEST_F(AdvancedDlgTest, HelpTopicFollowsTheShownPageAndFileTheLanguageCode) {
    struct Case {
        const char* code;
        const char* file;
    };
    const Case cases[] = {{"S", "SVindelor"}, {"SF", "SFVindelor"}, {"UK", "UKVindelor"}};
    for (const Case& c : cases) {
        SessionGlobals().LanguageCode = QString::fromLatin1(c.code);
        fakes_.help.calls.clear();
        TAdvancedDlg dlg;
        dlg.BitBtn3Click();
        dlg.CheckBox7->setChecked(true);
        dlg.PageControl1->setCurrentWidget(dlg.TabSheet2);
        dlg.BitBtn3Click();
        ASSERT_EQ(fakes_.help.calls.size(), 2u);
        EXPECT_EQ(fakes_.help.calls[0], std::make_pair(QString::fromLatin1(c.file), 9));
        EXPECT_EQ(fakes_.help.calls[1], std::make_pair(QString::fromLatin1(c.file), 5));
    }
}

}  // namespace
}  // namespace vindelor
