#include "viewer/monthsform.h"

#include "core/datavolume.h"
#include "core/texts.h"
#include "viewer/logexport.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableWidget>
#include <QValueAxis>

#include <algorithm>

namespace vindelor::brusko {
namespace {

constexpr int kChartMonths = 12;
constexpr int kColumns = 6;
const QSize kDesignSize(900, 640);
const QSize kFrameRoom(16, 48);

QString Own(int n) {
    return Text(kOwnTextBase + n);
}

QString IsoDate(const QDate& date) {
    return date.toString(Qt::ISODate);
}

// A billing month under its bar: the year and month it starts in, one a calendar month
// (the table beside gives the day). Upright, a whole date needed more height than Qt
// gives an axis.
QString MonthLabel(const BillingMonth& month) {
    return month.first.toString(QStringLiteral("yyyy-MM"));
}

// A chart of one bar per category, with a title and a value axis from 0 in `unit` (the
// currency, or MB).
void PutBars(QChartView* view, const QString& title, const QStringList& categories,
             const std::vector<double>& values, int labelAngle, const QString& unit) {
    auto* set = new QBarSet(title);
    double top = 0;
    for (const double v : values) {
        *set << v;
        top = std::max(top, v);
    }
    auto* series = new QBarSeries;
    series->append(set);
    series->setBarWidth(0.7);

    auto* chart = new QChart;
    chart->addSeries(series);
    chart->setTitle(title);
    chart->legend()->hide();
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setMargins(QMargins(4, 4, 4, 4));
    // Every pixel of width goes to the bars and their labels: a day's label has room
    // only for its number.
    chart->layout()->setContentsMargins(0, 0, 0, 0);

    auto* x = new QBarCategoryAxis;
    x->append(categories);
    x->setLabelsAngle(labelAngle);
    if (categories.size() > kChartMonths) {
        // A month's days: each label has a thirty-first of the width, less than a
        // two-digit number takes at the usual size on a small screen. Two points
        // smaller, "31" stays whole down to a window 800 pixels wide.
        QFont small = x->labelsFont();
        small.setPointSizeF(std::max(7.0, small.pointSizeF() - 2));
        x->setLabelsFont(small);
    }
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
    auto* y = new QValueAxis;
    y->setRange(0, top > 0 ? top * 1.1 : 1.0);
    y->applyNiceNumbers();
    // Cents only where the figures are small: "3300.00" took the width of three days.
    y->setLabelFormat(y->max() >= 100 ? QStringLiteral("%.0f") : QStringLiteral("%.2f"));
    // The labels' format goes through Latin-1 ("€" would show as "?"): the unit is the
    // axis's title.
    y->setTitleText(unit);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);

    QChart* old = view->chart();
    view->setChart(chart);
    delete old;
}

}  // namespace

TMonthsForm::TMonthsForm(const DatedLog& log, int startDay, const QDate& today,
                         const QString& currencyPrefix, QWidget* parent)
    : QWidget(parent, Qt::Window),
      lines_(log.lines),
      months_(SummariseMonths(log.lines, startDay)),
      startDay_(startDay),
      currencyPrefix_(currencyPrefix) {
    setObjectName(QStringLiteral("MonthsForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Own(kTextMonthsTitle));

    Table = new QTableWidget(0, kColumns, this);
    Table->setObjectName(QStringLiteral("MonthsTable"));
    const QString costTitle =
        currencyPrefix_.isEmpty()
            ? Own(kTextMonthColumnCost)
            : QStringLiteral("%1 (%2)").arg(Own(kTextMonthColumnCost), currencyPrefix_);
    Table->setHorizontalHeaderLabels({Own(kTextMonthColumnStart), Own(kTextMonthColumnSessions),
                                      Own(kTextMonthColumnFailed), Own(kTextMonthColumnNetTime),
                                      costTitle, Own(kTextMonthColumnVolume)});
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::SingleSelection);
    Table->verticalHeader()->hide();
    // Every column shows whole in every language; the chart beside it takes what is left.
    // A stretched last column would widen the contents the table adjusts itself to, and
    // the window with it, without end.
    Table->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    Table->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Expanding);

    MonthChart = new QChartView(this);
    MonthChart->setObjectName(QStringLiteral("MonthChart"));
    MonthChart->setRenderHint(QPainter::Antialiasing);
    VolumeChart = new QChartView(this);
    VolumeChart->setObjectName(QStringLiteral("VolumeChart"));
    VolumeChart->setRenderHint(QPainter::Antialiasing);
    DayChart = new QChartView(this);
    DayChart->setObjectName(QStringLiteral("DayChart"));
    DayChart->setRenderHint(QPainter::Antialiasing);

    EstimateLabel = new QLabel(this);
    EstimateLabel->setObjectName(QStringLiteral("EstimateLabel"));
    EstimateLabel->setWordWrap(true);
    const MonthEstimate e = EstimateMonth(lines_, today, startDay_);
    QString estimate = Own(kTextEstimate)
                           .arg(IsoDate(e.month.first), IsoDate(e.month.last), Money(e.costSoFar),
                                Money(e.estimate))
                           .arg(e.month.Days());
    if (!log.undated.empty()) {
        estimate += QLatin1Char('\n') + UndatedNotice(log.undated);
    }
    EstimateLabel->setText(estimate);

    CloseButton = new QPushButton(Text(35), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CloseButton);

    // The month charts have a row of their own, half the window each: beside the table
    // their twelve upright labels had less room than a line of text is high, and Qt
    // drew them as "⋮", their titles cut.
    auto* grid = new QGridLayout(this);
    grid->addWidget(Table, 0, 0, 1, 2);
    grid->addWidget(MonthChart, 1, 0);
    grid->addWidget(VolumeChart, 1, 1);
    grid->addWidget(EstimateLabel, 2, 0, 1, 2);
    grid->addWidget(DayChart, 3, 0, 1, 2);
    grid->addLayout(buttons, 4, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(0, 2);
    grid->setRowStretch(1, 3);
    grid->setRowStretch(3, 2);

    FillTable();
    FillMonthChart();
    FillVolumeChart();
    connect(Table, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int, int) { ShowDaysOf(row); });
    // The latest month first: usually the one the user is in.
    if (!months_.empty()) {
        Table->selectRow(static_cast<int>(months_.size()) - 1);
    }
    ShowDaysOf(Table->currentRow());
    PlaceOnScreen();
}

void TMonthsForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TMonthsForm::PlaceOnScreen() {
    // Its design size where the screen has room, else the room the screen has; in the
    // middle of the opener's screen, so that no part starts out of reach.
    const QWidget* opener = parentWidget();
    QScreen* screen = opener ? opener->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        resize(kDesignSize);
        return;
    }
    const QRect area = screen->availableGeometry();
    // The window manager's frame is not known before the window shows: leave it room.
    const QSize room = (area.size() - kFrameRoom).expandedTo(QSize(320, 240));
    resize(kDesignSize.boundedTo(room).expandedTo(minimumSizeHint().boundedTo(room)));
    move(area.center() - rect().center());
}

QString TMonthsForm::Money(vindelor::Money cost) const {
    return currencyPrefix_.isEmpty() ? ShownCost(cost)
                                     : currencyPrefix_ + QLatin1Char(' ') + ShownCost(cost);
}

void TMonthsForm::FillTable() {
    Table->setRowCount(static_cast<int>(months_.size()));
    for (int row = 0; row < static_cast<int>(months_.size()); ++row) {
        const MonthSummary& m = months_[static_cast<size_t>(row)];
        const QString cells[kColumns] = {
            IsoDate(m.month.first),
            QString::number(m.sessions),
            QString::number(m.failedTries),
            NetTimeText(m.seconds),
            ShownCost(m.cost),
            m.volume.known ? VolumeText(m.volume.Total(), LanguageOffset()) : QString()};
        for (int column = 0; column < kColumns; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (column > 0) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            Table->setItem(row, column, item);
        }
    }
    Table->resizeColumnsToContents();
}

void TMonthsForm::FillMonthChart() {
    QStringList categories;
    std::vector<double> costs;
    for (const MonthSummary& m : LastMonths(months_, kChartMonths, startDay_)) {
        categories.append(MonthLabel(m.month));
        costs.push_back(m.cost.Value());
    }
    PutBars(MonthChart, Own(kTextCostPerMonthChart), categories, costs, -90, currencyPrefix_);
}

void TMonthsForm::FillVolumeChart() {
    QStringList categories;
    std::vector<double> megabytes;
    for (const MonthSummary& m : LastMonths(months_, kChartMonths, startDay_)) {
        categories.append(MonthLabel(m.month));
        megabytes.push_back(static_cast<double>(m.volume.Total()) / 1e6);
    }
    PutBars(VolumeChart, Own(kTextVolumePerMonthChart), categories, megabytes, -90,
            Own(kTextMegabytes));
}

void TMonthsForm::ShowDaysOf(int row) {
    if (row < 0 || row >= static_cast<int>(months_.size())) {
        PutBars(DayChart, Own(kTextCostPerDayChart).arg(QString(), QString()), {}, {}, 0,
                currencyPrefix_);
        return;
    }
    const BillingMonth& month = months_[static_cast<size_t>(row)].month;
    QStringList categories;
    std::vector<double> costs;
    for (const DayCost& day : DailyCosts(lines_, month)) {
        categories.append(QString::number(day.date.day()));
        costs.push_back(day.cost.Value());
    }
    PutBars(DayChart, Own(kTextCostPerDayChart).arg(IsoDate(month.first), IsoDate(month.last)),
            categories, costs, 0, currencyPrefix_);
}

}  // namespace vindelor::brusko
