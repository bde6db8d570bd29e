#include "viewer/monthsform.h"

#include "core/datavolume.h"
#include "core/texts.h"
#include "platform/datadir.h"
#include "viewer/logexport.h"
#include "viewer/logstore.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QFont>
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
#include <map>

namespace vindelor::brusko {
namespace {

constexpr int kChartMonths = 12;
constexpr int kColumns = 7;
const QSize kDesignSize(900, 640);
const QSize kFrameRoom(16, 48);

QString Own(int n) {
    return Text(kOwnTextBase + n);
}

// The volume abroad is part of the volume beside it, as in the exports.
QStringList ColumnTitles(const QString& costTitle) {
    return {Own(kTextMonthColumnStart),
            Own(kTextMonthColumnSessions),
            Own(kTextMonthColumnFailed),
            Own(kTextMonthColumnNetTime),
            costTitle,
            Own(kTextMonthColumnVolume),
            Own(kTextMonthColumnRoaming)};
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

// A chart of bars per category, one set of them per series, with a title and a value
// axis from 0 in `unit` (the currency, or MB); a legend names the series when there are
// several.
void PutSeries(QChartView* view, const QString& title, const QStringList& categories,
               const std::vector<std::pair<QString, std::vector<double>>>& sets, int labelAngle,
               const QString& unit) {
    auto* series = new QBarSeries;
    double top = 0;
    for (const auto& [name, values] : sets) {
        auto* set = new QBarSet(name);
        for (const double v : values) {
            *set << v;
            top = std::max(top, v);
        }
        series->append(set);
    }
    series->setBarWidth(0.7);

    auto* chart = new QChart;
    chart->addSeries(series);
    chart->setTitle(title);
    chart->legend()->setVisible(sets.size() > 1);
    chart->legend()->setAlignment(Qt::AlignBottom);
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

void PutBars(QChartView* view, const QString& title, const QStringList& categories,
             const std::vector<double>& values, int labelAngle, const QString& unit) {
    PutSeries(view, title, categories, {{title, values}}, labelAngle, unit);
}

}  // namespace

TMonthsForm::TMonthsForm(const DatedLog& log, int startDay, const QDate& today,
                         const QString& currencyPrefix, QWidget* parent)
    : QWidget(parent, Qt::Window),
      lines_(log.lines),
      months_(SummariseMonths(log.lines, startDay)),
      startDay_(startDay),
      currencyPrefix_(currencyPrefix),
      today_(today) {
    own_.name = platform::SelectedPlan();
    own_.log = log;
    own_.startDay = startDay;
    own_.currencyPrefix = currencyPrefix;
    setObjectName(QStringLiteral("MonthsForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Own(kTextMonthsTitle));

    Table = new QTableWidget(0, kColumns, this);
    Table->setObjectName(QStringLiteral("MonthsTable"));
    const QString costTitle =
        currencyPrefix_.isEmpty()
            ? Own(kTextMonthColumnCost)
            : QStringLiteral("%1 (%2)").arg(Own(kTextMonthColumnCost), currencyPrefix_);
    Table->setHorizontalHeaderLabels(ColumnTitles(costTitle));
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
    estimate_ = estimate;
    EstimateLabel->setText(estimate);

    CloseButton = new QPushButton(Text(35), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
    AllPlansBox = new QCheckBox(Own(kTextAllPlans), this);
    AllPlansBox->setObjectName(QStringLiteral("AllPlansBox"));
    AllPlansBox->setVisible(!platform::PlanNames().isEmpty());
    connect(AllPlansBox, &QCheckBox::toggled, this, [this](bool all) {
        if (all) {
            ShowPlans(LoadPlanLogs());
        } else {
            ShowOwnPlan();
        }
    });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(AllPlansBox);
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
    // With every plan a first column names the plan; a calendar month's total is bold.
    const int first = allPlans_ ? 1 : 0;
    const int rows = static_cast<int>(allPlans_ ? planMonths_.size() : months_.size());
    Table->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        const auto r = static_cast<size_t>(row);
        const MonthSummary& m = allPlans_ ? planMonths_[r].summary : months_[r];
        const bool total = allPlans_ && planMonths_[r].total;
        const QString cells[kColumns] = {
            total ? m.month.first.toString(QStringLiteral("yyyy-MM")) : IsoDate(m.month.first),
            QString::number(m.sessions),
            QString::number(m.failedTries),
            NetTimeText(m.seconds),
            ShownCost(m.cost),
            m.volume.known ? VolumeText(m.volume.Total(), LanguageOffset()) : QString(),
            m.volume.known ? VolumeText(m.volume.RoamingTotal(), LanguageOffset()) : QString()};
        const auto put = [&](int column, const QString& text, bool right) {
            auto* item = new QTableWidgetItem(text);
            if (right) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            if (total) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
            Table->setItem(row, column, item);
        };
        if (allPlans_) {
            put(0, total ? Own(kTextPlansTotal) : PlanTitle(planMonths_[r].plan), false);
        }
        for (int column = 0; column < kColumns; ++column) {
            put(first + column, cells[column], column > 0);
        }
    }
    Table->resizeColumnsToContents();
}

void TMonthsForm::ShowWhatIsLeft(vindelor::Money budget, std::uint64_t includedBytes) {
    own_.budget = budget;
    own_.includedBytes = includedBytes;
    FillLabel();
}

void TMonthsForm::FillLabel() {
    QStringList lines;
    if (!allPlans_) {
        lines << estimate_ << WhatIsLeft(own_, today_);
    } else {
        for (const PlanLog& plan : plans_) {
            for (const QString& left : WhatIsLeft(plan, today_)) {
                lines << PlanTitle(plan.name) + QStringLiteral(": ") + left;
            }
            if (!plan.log.undated.empty()) {
                lines << PlanTitle(plan.name) + QStringLiteral(": ") +
                             UndatedNotice(plan.log.undated);
            }
        }
    }
    EstimateLabel->setText(lines.join(QLatin1Char('\n')));
}

void TMonthsForm::ShowPlans(std::vector<PlanLog> plans) {
    plans_ = std::move(plans);
    planMonths_ = SummarisePlanMonths(plans_);
    allPlans_ = true;
    const QSignalBlocker quiet(AllPlansBox);
    AllPlansBox->setChecked(true);
    const QString currency = CommonCurrency(plans_);
    const QString costTitle =
        currency.isEmpty() ? Own(kTextMonthColumnCost)
                           : QStringLiteral("%1 (%2)").arg(Own(kTextMonthColumnCost), currency);
    Table->setColumnCount(kColumns + 1);
    Table->setHorizontalHeaderLabels(QStringList{Own(kTextPlanMenu)} + ColumnTitles(costTitle));
    FillTable();
    FillPlanCharts();
    FillLabel();
    if (!widened_) {
        // The plan column would take its room from the charts: the window grows by it
        // where the screen has room.
        widened_ = true;
        const QScreen* screen = this->screen();
        const int room =
            screen ? screen->availableGeometry().width() - kFrameRoom.width() : width();
        resize(std::min(room, width() + Table->columnWidth(0)), height());
    }
    if (!planMonths_.empty()) {
        Table->selectRow(static_cast<int>(planMonths_.size()) - 1);
    }
    ShowDaysOf(Table->currentRow());
}

void TMonthsForm::ShowOwnPlan() {
    allPlans_ = false;
    plans_.clear();
    planMonths_.clear();
    const QSignalBlocker quiet(AllPlansBox);
    AllPlansBox->setChecked(false);
    const QString costTitle =
        currencyPrefix_.isEmpty()
            ? Own(kTextMonthColumnCost)
            : QStringLiteral("%1 (%2)").arg(Own(kTextMonthColumnCost), currencyPrefix_);
    Table->setColumnCount(kColumns);
    Table->setHorizontalHeaderLabels(ColumnTitles(costTitle));
    FillTable();
    FillMonthChart();
    FillVolumeChart();
    FillLabel();
    if (!months_.empty()) {
        Table->selectRow(static_cast<int>(months_.size()) - 1);
    }
    ShowDaysOf(Table->currentRow());
}

void TMonthsForm::FillPlanCharts() {
    // The last twelve calendar months; each plan's bar is its billing month that began in it.
    QStringList categories;
    std::vector<std::pair<QString, std::vector<double>>> costs;
    std::vector<std::pair<QString, std::vector<double>>> megabytes;
    if (!planMonths_.empty()) {
        const QDate latest = planMonths_.back().summary.month.first;
        std::map<qint64, size_t> slot;
        for (int back = kChartMonths - 1; back >= 0; --back) {
            const QDate month = latest.addMonths(-back);
            slot[month.toJulianDay()] = categories.size();
            categories.append(month.toString(QStringLiteral("yyyy-MM")));
        }
        for (const PlanLog& plan : plans_) {
            std::vector<double> cost(kChartMonths, 0.0);
            std::vector<double> mb(kChartMonths, 0.0);
            for (const PlanMonth& m : planMonths_) {
                const QDate first = m.summary.month.first;
                const auto at = slot.find(QDate(first.year(), first.month(), 1).toJulianDay());
                if (m.total || m.plan != plan.name || at == slot.end()) {
                    continue;
                }
                cost[at->second] = m.summary.cost.Value();
                mb[at->second] = static_cast<double>(m.summary.volume.Total()) / 1e6;
            }
            costs.emplace_back(PlanTitle(plan.name), cost);
            megabytes.emplace_back(PlanTitle(plan.name), mb);
        }
    }
    PutSeries(MonthChart, Own(kTextCostPerMonthChart), categories, costs, -90,
              CommonCurrency(plans_));
    PutSeries(VolumeChart, Own(kTextVolumePerMonthChart), categories, megabytes, -90,
              Own(kTextMegabytes));
}

void TMonthsForm::ShowPlanDays(int row) {
    // A plan's row: the days of its billing month. A calendar month's total: the days
    // from the first of its plans' billing months to the last, each day the costs of the
    // plans whose billing month (of this total) holds it, so that the bars add up to the
    // row as the total's figures do.
    int from = row;
    if (planMonths_[static_cast<size_t>(row)].total) {
        while (from > 0 && !planMonths_[static_cast<size_t>(from) - 1].total) {
            --from;
        }
    }
    const int to = planMonths_[static_cast<size_t>(row)].total ? row - 1 : row;
    QDate first;
    QDate last;
    for (int r = from; r <= to; ++r) {
        const BillingMonth& m = planMonths_[static_cast<size_t>(r)].summary.month;
        first = first.isValid() ? std::min(first, m.first) : m.first;
        last = last.isValid() ? std::max(last, m.last) : m.last;
    }
    const BillingMonth span{first, last};
    std::vector<vindelor::Money> sums(static_cast<size_t>(std::max(span.Days(), 0)));
    for (int r = from; r <= to; ++r) {
        const PlanMonth& m = planMonths_[static_cast<size_t>(r)];
        for (const PlanLog& plan : plans_) {
            if (plan.name != m.plan) {
                continue;
            }
            for (const DayCost& day : DailyCosts(plan.log.lines, m.summary.month)) {
                sums[static_cast<size_t>(first.daysTo(day.date))] += day.cost;
            }
        }
    }
    QStringList categories;
    std::vector<double> costs;
    // The axis shows a category once: the days of a span longer than a month that come
    // again get an invisible mark each, so every bar keeps its own day number.
    for (size_t d = 0; d < sums.size(); ++d) {
        const QDate day = first.addDays(static_cast<qint64>(d));
        const int months = (day.year() - first.year()) * 12 + day.month() - first.month() -
                           (day.day() < first.day() ? 1 : 0);
        categories.append(QString::number(day.day()) + QString(months, QChar(0x200B)));
        costs.push_back(sums[d].Value());
    }
    PutBars(DayChart, Own(kTextCostPerDayChart).arg(IsoDate(first), IsoDate(last)), categories,
            costs, 0, CommonCurrency(plans_));
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
    if (allPlans_ && row >= 0 && row < static_cast<int>(planMonths_.size())) {
        ShowPlanDays(row);
        return;
    }
    if (allPlans_ || row < 0 || row >= static_cast<int>(months_.size())) {
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
