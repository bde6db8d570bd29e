#include "viewer/mainform.h"
#include "viewer/monthsform.h"

#include "core/texts.h"
#include "platform/datadir.h"
#include "platform/test/fakes.h"
#include "support/testenv.h"
#include "viewer/testlog.h"

#include <QAction>
#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsTextItem>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QValueAxis>

namespace vindelor::brusko {
namespace {

using namespace vindelor::brusko::testing;
using platform::test::ScopedFakes;
using test::ScopedDataDir;

const QString kN = QStringLiteral("20.11.1999 10:00:00-00:10:00^   2.0000");
const QString kA = QStringLiteral("06.12.1999 14:05:09-00:40:50^   1.2000");
const QString kB = QStringLiteral("07.12.1999 09:00:00-00:12:00^   0.5000");
const QString kF = QStringLiteral("07.12.1999 10:00:00-+FAILED+^   0.1500");

QStringList Categories(const QChartView* view) {
    const auto axes = view->chart()->axes(Qt::Horizontal);
    return axes.isEmpty() ? QStringList() : qobject_cast<QBarCategoryAxis*>(axes[0])->categories();
}

QBarSet* Bars(const QChartView* view) {
    return qobject_cast<QBarSeries*>(view->chart()->series().at(0))->barSets().at(0);
}

class MonthsView : public ::testing::Test {
  protected:
    void SetUp() override {
        Put(QStringLiteral("Språk"), QStringLiteral("Språk"), QStringLiteral("UK"));
        Put(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.10"));
        Put(QStringLiteral("Charge"), QStringLiteral("Valuta"), QStringLiteral("mk"));
        PutLog({kN, kA, kB, kF});
        fakes_.clock.now = QDateTime(QDate(1999, 12, 7), QTime(12, 0));
    }
    void TearDown() override { SetLanguageOffset(kSwedishOffset); }

    ScopedDataDir dir_;
    ScopedFakes fakes_;
};

TEST_F(MonthsView, SelectionLineShowsOnlyForTwoOrMoreRows) {
    TForm1 form;
    const QRect list = form.ListBox1->geometry();
    form.ListBox1->item(1)->setSelected(true);
    EXPECT_FALSE(form.Label3->isVisibleTo(&form));
    form.ListBox1->item(3)->setSelected(true);
    ASSERT_TRUE(form.Label3->isVisibleTo(&form));
    EXPECT_EQ(form.Label3->text(),
              QStringLiteral("2 rows selected: net time 0:40:50, cost mk 1.35"));
    EXPECT_LE(form.ListBox1->geometry().bottom(), form.Label3->geometry().top());
    EXPECT_LE(form.Label3->geometry().bottom(), form.GroupBox1->contentsRect().bottom());
    form.ListBox1->item(3)->setSelected(false);
    EXPECT_FALSE(form.Label3->isVisibleTo(&form));
    EXPECT_EQ(form.ListBox1->geometry(), list);
}

TEST_F(MonthsView, MonthsWindowShowsTableChartsAndEstimate) {
    TForm1 form;
    form.Months1->trigger();
    auto* months = form.findChild<TMonthsForm*>();
    ASSERT_NE(months, nullptr);
    ASSERT_EQ(months->Table->rowCount(), 2);
    const QStringList december = {QStringLiteral("1999-12-01"), QStringLiteral("2"),
                                  QStringLiteral("1"), QStringLiteral("0:52:50"),
                                  QStringLiteral("1.85")};
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(months->Table->item(1, column)->text(), december[column]);
    }
    // 1.85 in the first seven days of a 31-day month.
    EXPECT_TRUE(months->EstimateLabel->text().contains(QStringLiteral("mk 1.85 so far")))
        << months->EstimateLabel->text().toStdString();
    EXPECT_TRUE(months->EstimateLabel->text().contains(QStringLiteral("mk 8.19 ")));

    const QStringList monthCategories = Categories(months->MonthChart);
    ASSERT_EQ(monthCategories.size(), 12);
    EXPECT_EQ(monthCategories.back(), QStringLiteral("1999-12"));
    EXPECT_DOUBLE_EQ(Bars(months->MonthChart)->at(10), 2.0);

    // The latest month is chosen first; choosing another redraws the days.
    EXPECT_EQ(Categories(months->DayChart).size(), 31);
    EXPECT_DOUBLE_EQ(Bars(months->DayChart)->at(6), 0.65);
    months->Table->selectRow(0);
    EXPECT_EQ(Categories(months->DayChart).size(), 30);
    EXPECT_DOUBLE_EQ(Bars(months->DayChart)->at(19), 2.0);
}

TEST_F(MonthsView, APlanChosenInTheWindowIsListedAndTheMonthsWindowAddsEveryPlan) {
    ASSERT_TRUE(platform::SelectPlan(QStringLiteral("hotspot")));
    ASSERT_TRUE(platform::EnsureDataDirectory());
    Put(QStringLiteral("Billing"), QStringLiteral("StartDay"), QStringLiteral("15"));
    Put(QStringLiteral("Billing"), QStringLiteral("Budget"), QStringLiteral("10"));
    Put(QStringLiteral("Charge"), QStringLiteral("Valuta"), QStringLiteral("mk"));
    Put(QStringLiteral("Nättid"), QStringLiteral("Totalt"), QStringLiteral("00:30:00"));
    PutLog({QStringLiteral("20.11.1999 10:00:00-00:10:00^   1.0000"),
            QStringLiteral("01.12.1999 10:00:00-00:20:00^   2.5000")});
    ASSERT_TRUE(platform::SelectPlan(QString()));

    TForm1 form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Brusko"));
    EXPECT_TRUE(form.Plans1->menuAction()->isVisible());
    form.ChoosePlan(QStringLiteral("hotspot"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Brusko – hotspot"));
    EXPECT_EQ(form.ListBox1->count(), 2);
    EXPECT_EQ(form.Label1->text(), QStringLiteral("00:30:00"));  // the plan's own totals

    form.Months1->trigger();
    auto* months = form.findChild<TMonthsForm*>();
    ASSERT_NE(months, nullptr);
    // 3.50 of 10.00 spent in the month from 15 November; 7 … 14 December are left.
    EXPECT_TRUE(months->EstimateLabel->text().endsWith(
        QStringLiteral("\nmk 6.50 left, mk 0.81 a day for 8 days")))
        << months->EstimateLabel->text().toStdString();

    months->AllPlansBox->click();
    ASSERT_TRUE(months->ShowsAllPlans());
    const QStringList column0 = {QStringLiteral("(default)"), QStringLiteral("hotspot"),
                                 QStringLiteral("(total)"), QStringLiteral("(default)"),
                                 QStringLiteral("(total)")};
    const QStringList costs = {QStringLiteral("2.00"), QStringLiteral("3.50"),
                               QStringLiteral("5.50"), QStringLiteral("1.85"),
                               QStringLiteral("1.85")};
    ASSERT_EQ(months->Table->rowCount(), 5);
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(months->Table->item(row, 0)->text(), column0[row]);
        EXPECT_EQ(months->Table->item(row, 5)->text(), costs[row]);
    }
    EXPECT_EQ(months->Table->item(2, 1)->text(), QStringLiteral("1999-11"));
    const auto* series = qobject_cast<QBarSeries*>(months->MonthChart->chart()->series().at(0));
    ASSERT_EQ(series->count(), 2);  // a series per plan
    EXPECT_DOUBLE_EQ(series->barSets().at(1)->at(10), 3.5);
    EXPECT_TRUE(months->EstimateLabel->text().startsWith(QStringLiteral("hotspot: mk 6.50 left")));
    // November's total: its plans' billing months, 1 November to 14 December, adding up
    // to the row.
    months->Table->selectRow(2);
    ASSERT_EQ(Categories(months->DayChart).size(), 44);
    double days = 0;
    for (int d = 0; d < 44; ++d) {
        days += Bars(months->DayChart)->at(d);
    }
    EXPECT_DOUBLE_EQ(days, 5.5);
    months->AllPlansBox->click();
    EXPECT_EQ(months->Table->columnCount(), 7);
    EXPECT_EQ(months->Table->rowCount(), 1);  // the plan listed: one month from 15 November

    form.ChoosePlan(QString());
    EXPECT_EQ(form.ListBox1->count(), 4);
    EXPECT_EQ(platform::SelectedPlan(), QString());
}

TEST_F(MonthsView, MonthsWindowNamesItsCurrencyFitsTheScreenAndClosesByKeyOrButton) {
    TForm1 form;
    for (const bool byKey : {true, false}) {
        form.Months1->trigger();
        QPointer<TMonthsForm> months = form.findChild<TMonthsForm*>();
        ASSERT_FALSE(months.isNull());
        EXPECT_EQ(months->Table->horizontalHeaderItem(4)->text(), QStringLiteral("Cost (mk)"));
        for (const QChartView* chart : {months->MonthChart, months->DayChart}) {
            const auto axes = chart->chart()->axes(Qt::Vertical);
            ASSERT_EQ(axes.size(), 1);
            EXPECT_EQ(qobject_cast<QValueAxis*>(axes[0])->titleText(), QStringLiteral("mk"));
        }
        QCoreApplication::processEvents();  // the layout settles once shown
        EXPECT_TRUE(months->screen()->availableGeometry().contains(months->geometry()))
            << months->geometry().width() << "x" << months->geometry().height();
        if (byKey) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(months->Table, &escape);
        } else {
            EXPECT_EQ(months->CloseButton->text(), QStringLiteral("Close"));
            months->CloseButton->click();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(months.isNull()) << (byKey ? "Escape" : "Close");
    }
}

// Qt's charts cut a label that has no room ("Maksu laskutuskausitt…", "3000…", "⋮"): at
// the window's first size every title and label is drawn whole, in every language.
TEST_F(MonthsView, MonthsWindowDrawsEveryLabelWholeInEveryLanguage) {
    QStringList log;
    for (int month = 0; month < 15; ++month) {
        const QDate day = QDate(1998, 10, 3).addMonths(month);
        log << day.toString(QStringLiteral("dd.MM.yyyy")) +
                   QStringLiteral(" 10:00:00-03:10:00^2999.5000");
    }
    PutLog(log);
    fakes_.clock.now = QDateTime(QDate(1999, 12, 7), QTime(12, 0));
    for (const char* code : {"S", "SF", "UK"}) {
        SCOPED_TRACE(code);
        Put(QString::fromUtf8("Språk"), QString::fromUtf8("Språk"), QString::fromLatin1(code));
        TForm1 form;
        form.Months1->trigger();
        auto* months = form.findChild<TMonthsForm*>();
        ASSERT_NE(months, nullptr);
        months->show();
        // The charts lay themselves out in posted events, one pass after another.
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
        }
        for (QChartView* view : {months->MonthChart, months->VolumeChart, months->DayChart}) {
            int labels = 0;
            for (QGraphicsItem* item : view->scene()->items()) {
                QString text;
                QFont font;
                qreal room = 0;
                if (auto* t = dynamic_cast<QGraphicsTextItem*>(item)) {
                    text = t->toPlainText();
                    font = t->font();
                    room = t->boundingRect().width();
                } else if (auto* t = dynamic_cast<QGraphicsSimpleTextItem*>(item)) {
                    text = t->text();
                    font = t->font();
                    room = t->boundingRect().width();
                } else {
                    continue;
                }
                if (!item->isVisible() || text.isEmpty())
                    continue;
                ++labels;
                EXPECT_FALSE(text.contains(QChar(0x2026)) || text.contains(QChar(0x22EE)) ||
                             text.contains(QStringLiteral("...")))
                    << view->objectName().toStdString() << ": " << text.toStdString();
                // A text item's box is its text's width and a margin on each side.
                EXPECT_LE(QFontMetricsF(font).horizontalAdvance(text.split('\n').first()), room + 1)
                    << text.toStdString();
            }
            EXPECT_GT(labels, 12) << view->objectName().toStdString();
        }
        months->close();
    }
}

TEST_F(MonthsView, ExportWritesTheListedLinesOrSaysWhyNot) {
    TForm1 form;
    const QString path = dir_.file(QStringLiteral("log.json"));
    ASSERT_TRUE(form.ExportTo(path, TForm1::ExportFormat::Json));
    EXPECT_EQ(QJsonDocument::fromJson(test::ReadFileBytes(path)).array().size(), 4);
    EXPECT_TRUE(fakes_.boxes.shown.empty());

    EXPECT_FALSE(
        form.ExportTo(dir_.file(QStringLiteral("missing/log.csv")), TForm1::ExportFormat::Csv));
    ASSERT_EQ(fakes_.boxes.shown.size(), 1u);
    EXPECT_TRUE(
        fakes_.boxes.shown[0].text.startsWith(QStringLiteral("The export could not be written: ") +
                                              dir_.file(QStringLiteral("missing"))));
}

}  // namespace
}  // namespace vindelor::brusko
