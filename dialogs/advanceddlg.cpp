#include "dialogs/advanceddlg.h"

#include "core/profile.h"
#include "core/savetariff.h"
#include "core/sessionglobals.h"
#include "core/texts.h"
#include "dialogs/dialogparts.h"
#include "platform/services.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <stdexcept>

namespace vindelor {
namespace {

constexpr int kCellWidth = 32;
constexpr int kCellHeight = 24;
constexpr int kGridLeft = 30;  // room for the left-hand row marks
constexpr int kGridTop = 18;   // room for the upper hour marks
constexpr int kMarkWidth = 26;
constexpr int kMarkHeight = 16;
constexpr int kRightMarkWidth = 30;

const QRgb kClassColours[4] = {qRgb(255, 255, 0), qRgb(255, 0, 0), qRgb(255, 0, 255),
                               qRgb(0, 255, 255)};

QString ReadSetting(const QString& section, const QString& key, const QString& def, int maxLength) {
    return GetProfileString(section, key, def, maxLength, kSettingsFile);
}

// Maximum lengths passed to the reads; a value comes back cut to one character less.
// The save procedure accepts up to 20 characters per price; read them back whole so that
// opening and saving again never shortens a stored price.
constexpr int kPriceReadLength = 21;
constexpr int kSwitchReadLength = 5;
constexpr int kLevelReadLength = 9;
constexpr int kHoursReadLength = 6;

bool ReadSwitch(const QString& section, const QString& key, const QString& def) {
    return ReadSetting(section, key, def, kSwitchReadLength) == QStringLiteral("Ja");
}

void SetBackground(QWidget* widget, const QColor& colour, QPalette::ColorRole role) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(role == QPalette::Window);
}

QIcon ColourButtonIcon(int rateClass) {
    QPixmap pixmap(20, 16);
    pixmap.fill(QColor(kClassColours[rateClass - 1]));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QString::number(rateClass));
    return QIcon(pixmap);
}

QWidget* NewPage(const char* name) {
    auto* page = new QWidget;
    page->setObjectName(QString::fromLatin1(name));
    return page;
}

// A framed panel on the colour of rate class k, its texts in black so that they stay
// readable on the light class colours whatever the desktop's colour scheme.
QFrame* ClassPanel(QWidget* parent, const QString& name, int rateClass) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    panel->setFrameShape(QFrame::StyledPanel);
    SetBackground(panel, QColor(kClassColours[rateClass - 1]), QPalette::Window);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::ButtonText, Qt::black);
    panel->setPalette(palette);
    return panel;
}

// Quarter position of a caption, 0 for an empty or unknown one.
int PositionOfCaption(const QString& caption) {
    for (int position = 1; position <= 4; ++position) {
        if (caption == QuarterCaption(position)) {
            return position;
        }
    }
    return 0;
}

// The caption that follows `caption` in a cell's cycle: empty -> "-15" -> "15-" -> empty
// on a first-half cell, empty -> "-45" -> "45-" -> empty on a second-half cell. A caption
// that does not belong to the cell's half starts the cycle again.
int NextPosition(int position, bool secondHalf) {
    const int first = secondHalf ? 3 : 1;
    if (position == first) {
        return first + 1;
    }
    if (position == first + 1) {
        return 0;
    }
    return first;
}

}  // namespace

QColor RateClassColour(int rateClass, const QColor& noClass) {
    if (rateClass >= 1 && rateClass <= 4) {
        return QColor(kClassColours[rateClass - 1]);
    }
    return noClass;
}

int RateClassOfColour(const QColor& colour) {
    for (int k = 1; k <= 4; ++k) {
        if (colour.rgb() == kClassColours[k - 1] && colour.alpha() == 255) {
            return k;
        }
    }
    return 0;
}

QString QuarterCaption(int position) {
    switch (position) {
        case 1:
            return QStringLiteral("-15");
        case 2:
            return QStringLiteral("15-");
        case 3:
            return QStringLiteral("-45");
        case 4:
            return QStringLiteral("45-");
        default:
            return QString();
    }
}

// ---------------------------------------------------------------------------------------
// TRateCell

TRateCell::TRateCell(int row, int column, QWidget* parent)
    : QWidget(parent), row_(row), column_(column) {
    setObjectName(QStringLiteral("Panel%1").arg(row * 12 + column + 1));
    setFixedSize(kCellWidth, kCellHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int TRateCell::Hour() const {
    return row_ < 2 ? column_ : column_ + 12;
}

bool TRateCell::SecondHalf() const {
    return row_ == 1 || row_ == 2;
}

int TRateCell::SlotNumber() const {
    return SlotForHalfHour(Hour(), SecondHalf());
}

QColor TRateCell::Colour() const {
    return RateClassColour(rateClass_, palette().color(QPalette::Button));
}

void TRateCell::SetRateClass(int rateClass) {
    rateClass_ = rateClass;
    update();
}

void TRateCell::SetCaption(const QString& caption, int captionClass) {
    caption_ = caption;
    captionClass_ = captionClass;
    update();
}

void TRateCell::Reset() {
    rateClass_ = 0;
    caption_.clear();
    captionClass_ = 0;
    update();
}

QSize TRateCell::sizeHint() const {
    return QSize(kCellWidth, kCellHeight);
}

void TRateCell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Colour());
    painter.setPen(palette().color(QPalette::Shadow));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    // An empty half hour shows no exception, whatever its quarter code says.
    if (rateClass_ == 0 || caption_.isEmpty()) {
        return;
    }
    // The caption is drawn in the secondary class's colour; a dark outline keeps it
    // readable on a cell of the same or a similar colour.
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(12);
    const QFontMetrics metrics(font);
    const QRect box = metrics.boundingRect(caption_);
    const QPointF origin((width() - box.width()) / 2.0 - box.left(),
                         (height() + metrics.ascent() - metrics.descent()) / 2.0);
    QPainterPath path;
    path.addText(origin, font, caption_);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.strokePath(path, QPen(Qt::black, 2.5));
    painter.fillPath(path, RateClassColour(captionClass_, palette().color(QPalette::Button)));
}

void TRateCell::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
    }
    event->accept();
}

void TRateCell::mouseReleaseEvent(QMouseEvent* event) {
    // Qt delivers the second press of a double-click as the double-click itself, so the
    // release that ends a double-click finds no press and is not a click.
    const bool wasPressed = pressed_ && event->button() == Qt::LeftButton;
    pressed_ = false;
    if (wasPressed && rect().contains(event->position().toPoint())) {
        emit clicked(this);
    }
}

void TRateCell::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit doubleClicked(this);
    }
}

// ---------------------------------------------------------------------------------------
// TAdvancedDlg

TAdvancedDlg::TAdvancedDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AdvancedDlg"));
    BuildControls();
    FormCreate();
}

TAdvancedDlg::~TAdvancedDlg() = default;

QLineEdit* TAdvancedDlg::RateEdit(int k) const {
    const std::array<QLineEdit*, 4> edits = {Edit1, Edit2, Edit3, Edit4};
    return edits[k - 1];
}

QLineEdit* TAdvancedDlg::AmountEdit(int k) const {
    const std::array<QLineEdit*, 4> edits = {Edit8, Edit9, Edit10, Edit11};
    return edits[k - 1];
}

QCheckBox* TAdvancedDlg::InitialBox(int k) const {
    const std::array<QCheckBox*, 4> boxes = {CheckBox8, CheckBox9, CheckBox10, CheckBox11};
    return boxes[k - 1];
}

QToolButton* TAdvancedDlg::ColourButton(int k) const {
    const std::array<QToolButton*, 4> buttons = {SpeedButton1, SpeedButton2, SpeedButton3,
                                                 SpeedButton4};
    return buttons[k - 1];
}

void TAdvancedDlg::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    // As large as its contents and no larger: a dialog of fixed size, without a maximise
    // button.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    TabSheet1 = BuildSpecialPage();
    PageControl1->addTab(TabSheet1, QString());

    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    auto* peakLayout = new QVBoxLayout(TabSheet2);
    PageControl2 = new QTabWidget(TabSheet2);
    PageControl2->setObjectName(QStringLiteral("PageControl2"));
    TabSheet3 = BuildGeneralPage();
    TabSheet4 = BuildTablesPage();
    TabSheet5 = BuildIndicatorPage();
    TabSheet6 = BuildInitialPage();
    PageControl2->addTab(TabSheet3, QString());
    PageControl2->addTab(TabSheet4, QString());
    PageControl2->addTab(TabSheet5, QString());
    PageControl2->addTab(TabSheet6, QString());
    peakLayout->addWidget(PageControl2);
    PageControl1->addTab(TabSheet2, QString());
    layout->addWidget(PageControl1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    const OkCancelHelp okCancelHelp = AddOkCancelHelp(this, buttons, QStringLiteral("OK"));
    BitBtn1 = okCancelHelp.ok;
    BitBtn2 = okCancelHelp.cancel;
    BitBtn3 = okCancelHelp.help;
    layout->addLayout(buttons);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));

    connect(BitBtn1, &QPushButton::clicked, this, &TAdvancedDlg::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn3, &QPushButton::clicked, this, &TAdvancedDlg::BitBtn3Click);
    connect(Timer1, &QTimer::timeout, this, &TAdvancedDlg::Timer1Timer);
}

QWidget* TAdvancedDlg::BuildSpecialPage() {
    auto* page = NewPage("TabSheet1");
    auto* layout = new QVBoxLayout(page);
    auto addBox = [&](QCheckBox*& box, const char* name) {
        auto* panel = new QFrame(page);
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Raised);
        auto* panelLayout = new QHBoxLayout(panel);
        box = new QCheckBox(panel);
        box->setObjectName(QString::fromLatin1(name));
        panelLayout->addWidget(box);
        layout->addWidget(panel);
    };
    addBox(CheckBox1, "CheckBox1");
    addBox(CheckBox2, "CheckBox2");
    addBox(CheckBox3, "CheckBox3");
    addBox(CheckBox4, "CheckBox4");
    addBox(CheckBox7, "CheckBox7");
    layout->addStretch();

    connect(CheckBox1, &QCheckBox::toggled, this, &TAdvancedDlg::CheckBox1Click);
    connect(CheckBox2, &QCheckBox::toggled, this, &TAdvancedDlg::CheckBox2Click);
    connect(CheckBox4, &QCheckBox::toggled, this, &TAdvancedDlg::CheckBox4Click);
    connect(CheckBox7, &QCheckBox::toggled, this, &TAdvancedDlg::CheckBox7Click);
    return page;
}

QWidget* TAdvancedDlg::BuildGeneralPage() {
    auto* page = NewPage("TabSheet3");
    auto* layout = new QVBoxLayout(page);

    GroupBox1 = new QGroupBox(page);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* options = new QVBoxLayout(GroupBox1);
    CheckBox5 = new QCheckBox(GroupBox1);
    CheckBox5->setObjectName(QStringLiteral("CheckBox5"));
    CheckBox6 = new QCheckBox(GroupBox1);
    CheckBox6->setObjectName(QStringLiteral("CheckBox6"));
    options->addWidget(CheckBox5);
    options->addWidget(CheckBox6);
    auto* package = new QHBoxLayout;
    CheckBox12 = new QCheckBox(GroupBox1);
    CheckBox12->setObjectName(QStringLiteral("CheckBox12"));
    auto makeEdit = [&](QLineEdit*& edit, const char* name, int width) {
        edit = new QLineEdit(GroupBox1);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setFixedWidth(width);
    };
    makeEdit(Edit5, "Edit5", 40);
    makeEdit(Edit6, "Edit6", 56);
    makeEdit(Edit7, "Edit7", 56);
    Label5 = new QLabel(GroupBox1);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label6 = new QLabel(GroupBox1);
    Label6->setObjectName(QStringLiteral("Label6"));
    package->addWidget(CheckBox12);
    package->addWidget(Edit5);
    package->addWidget(Label5);
    package->addWidget(Edit6);
    package->addWidget(Label6);
    package->addWidget(Edit7);
    package->addStretch();
    options->addLayout(package);
    layout->addWidget(GroupBox1);

    GroupBox2 = new QGroupBox(page);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    auto* rates = new QGridLayout(GroupBox2);
    std::array<QLineEdit**, 4> edits = {&Edit1, &Edit2, &Edit3, &Edit4};
    for (int k = 1; k <= 4; ++k) {
        RateLabels[k - 1] = new QLabel(GroupBox2);
        RateLabels[k - 1]->setObjectName(QStringLiteral("RateLabel%1").arg(k));
        QLineEdit* edit = new QLineEdit(GroupBox2);
        edit->setObjectName(QStringLiteral("Edit%1").arg(k));
        edit->setFixedWidth(90);
        SetBackground(edit, QColor(kClassColours[k - 1]), QPalette::Base);
        {
            QPalette palette = edit->palette();
            palette.setColor(QPalette::Text, Qt::black);
            edit->setPalette(palette);
        }
        *edits[k - 1] = edit;
        const int row = (k - 1) % 2;
        const int column = (k - 1) / 2 * 2;
        rates->addWidget(RateLabels[k - 1], row, column);
        rates->addWidget(edit, row, column + 1);
    }
    rates->setColumnStretch(4, 1);
    layout->addWidget(GroupBox2);
    layout->addStretch();

    connect(CheckBox5, &QCheckBox::toggled, this, &TAdvancedDlg::CheckBox5Click);
    connect(CheckBox6, &QCheckBox::toggled, this, &TAdvancedDlg::CheckBox6Click);
    connect(CheckBox12, &QCheckBox::toggled, this, &TAdvancedDlg::CheckBox12Click);
    return page;
}

QWidget* TAdvancedDlg::BuildTablesPage() {
    auto* page = NewPage("TabSheet4");
    auto* layout = new QVBoxLayout(page);

    TabControl1 = new QTabBar(page);
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    TabControl1->setExpanding(false);
    TabControl1->setDrawBase(true);
    layout->addWidget(TabControl1);

    auto* grid = new QWidget(page);
    grid->setObjectName(QStringLiteral("Grid"));
    const int gridWidth = kGridLeft + 12 * kCellWidth + kRightMarkWidth + 4;
    const int gridHeight = kGridTop + 4 * kCellHeight + kMarkHeight + 4;
    grid->setFixedSize(gridWidth, gridHeight);
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 12; ++column) {
            auto* cell = new TRateCell(row, column, grid);
            cell->move(kGridLeft + column * kCellWidth, kGridTop + row * kCellHeight);
            connect(cell, &TRateCell::clicked, this, &TAdvancedDlg::KlickaPaPanel);
            connect(cell, &TRateCell::doubleClicked, this, &TAdvancedDlg::DblKlickaPaPanel);
            cells_[row][column] = cell;
        }
    }
    auto makeMark = [&](int x, int y, int width, Qt::Alignment align) {
        auto* label = new QLabel(grid);
        label->setGeometry(x, y, width, kMarkHeight);
        label->setAlignment(align | Qt::AlignVCenter);
        return label;
    };
    for (int i = 0; i < 13; ++i) {
        const int x = kGridLeft + i * kCellWidth - kMarkWidth / 2;
        TopMarks[i] = makeMark(x, 0, kMarkWidth, Qt::AlignHCenter);
        BottomMarks[i] = makeMark(x, kGridTop + 4 * kCellHeight + 2, kMarkWidth, Qt::AlignHCenter);
    }
    for (int i = 0; i < 3; ++i) {
        const int y = kGridTop + (i + 1) * kCellHeight - kMarkHeight / 2;
        LeftMarks[i] = makeMark(0, y, kGridLeft - 4, Qt::AlignRight);
        RightMarks[i] =
            makeMark(kGridLeft + 12 * kCellWidth + 4, y, kRightMarkWidth, Qt::AlignLeft);
    }
    // The cells paint over the marks' edges otherwise.
    for (auto& row : cells_) {
        for (TRateCell* cell : row) {
            cell->raise();
        }
    }
    layout->addWidget(grid, 0, Qt::AlignHCenter);

    auto* tools = new QHBoxLayout;
    BitBtn4 = new QPushButton(page);
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
    BitBtn5 = new QPushButton(page);
    BitBtn5->setObjectName(QStringLiteral("BitBtn5"));
    tools->addWidget(BitBtn4);
    tools->addWidget(BitBtn5);
    tools->addStretch();
    colourGroup_ = new QButtonGroup(this);
    colourGroup_->setExclusive(true);
    std::array<QToolButton**, 4> buttons = {&SpeedButton1, &SpeedButton2, &SpeedButton3,
                                            &SpeedButton4};
    for (int k = 1; k <= 4; ++k) {
        auto* button = new QToolButton(page);
        button->setObjectName(QStringLiteral("SpeedButton%1").arg(k));
        button->setCheckable(true);
        button->setIcon(ColourButtonIcon(k));
        button->setIconSize(QSize(20, 16));
        colourGroup_->addButton(button, k);
        tools->addWidget(button);
        *buttons[k - 1] = button;
        connect(button, &QToolButton::clicked, this, [this, k] { SpeedButtonClick(k); });
    }
    layout->addLayout(tools);
    layout->addStretch();

    connect(TabControl1, &QTabBar::currentChanged, this, &TAdvancedDlg::TabControl1Change);
    connect(BitBtn4, &QPushButton::clicked, this, &TAdvancedDlg::BitBtn4Click);
    connect(BitBtn5, &QPushButton::clicked, this, &TAdvancedDlg::BitBtn5Click);
    return page;
}

QWidget* TAdvancedDlg::BuildIndicatorPage() {
    auto* page = NewPage("TabSheet5");
    auto* layout = new QVBoxLayout(page);
    for (int k = 1; k <= 4; ++k) {
        QFrame* panel = ClassPanel(page, QStringLiteral("IndicatorPanel%1").arg(k), k);
        auto* row = new QHBoxLayout(panel);
        IndicatorLabels[k - 1] = new QLabel(panel);
        IndicatorLabels[k - 1]->setMinimumWidth(70);
        row->addWidget(IndicatorLabels[k - 1]);
        for (int level = 0; level < 3; ++level) {
            // Siblings on one panel exclude each other; none is checked at first.
            auto* radio = new QRadioButton(panel);
            radio->setObjectName(QStringLiteral("RadioButton%1").arg((k - 1) * 3 + level + 1));
            row->addWidget(radio);
            LevelButtons[k - 1][level] = radio;
        }
        row->addStretch();
        IndicatorPanels[k - 1] = panel;
        layout->addWidget(panel);
    }
    layout->addStretch();
    return page;
}

QWidget* TAdvancedDlg::BuildInitialPage() {
    auto* page = NewPage("TabSheet6");
    auto* layout = new QVBoxLayout(page);
    std::array<QCheckBox**, 4> boxes = {&CheckBox8, &CheckBox9, &CheckBox10, &CheckBox11};
    std::array<QLineEdit**, 4> edits = {&Edit8, &Edit9, &Edit10, &Edit11};
    for (int k = 1; k <= 4; ++k) {
        QFrame* panel = ClassPanel(page, QStringLiteral("InitialPanel%1").arg(k), k);
        auto* row = new QHBoxLayout(panel);
        auto* box = new QCheckBox(panel);
        box->setObjectName(QStringLiteral("CheckBox%1").arg(7 + k));
        AmountLabels[k - 1] = new QLabel(panel);
        auto* edit = new QLineEdit(QStringLiteral("0.00"), panel);
        edit->setObjectName(QStringLiteral("Edit%1").arg(7 + k));
        edit->setFixedWidth(80);
        row->addWidget(box);
        row->addStretch();
        row->addWidget(AmountLabels[k - 1]);
        row->addWidget(edit);
        *boxes[k - 1] = box;
        *edits[k - 1] = edit;
        InitialPanels[k - 1] = panel;
        layout->addWidget(panel);
    }
    layout->addStretch();
    return page;
}

void TAdvancedDlg::SetTexts() {
    setWindowTitle(Text(49));
    PageControl1->setTabText(PageControl1->indexOf(TabSheet1), Text(50));
    PageControl1->setTabText(PageControl1->indexOf(TabSheet2), Text(57));
    PageControl2->setTabText(PageControl2->indexOf(TabSheet3), Text(62));
    PageControl2->setTabText(PageControl2->indexOf(TabSheet4), Text(63));
    PageControl2->setTabText(PageControl2->indexOf(TabSheet5), Text(64));
    PageControl2->setTabText(PageControl2->indexOf(TabSheet6), Text(90));

    CheckBox1->setText(Text(51));
    CheckBox1->setToolTip(Text(52));
    CheckBox2->setText(Text(53));
    CheckBox2->setToolTip(Text(54));
    CheckBox3->setText(Text(55));
    CheckBox3->setToolTip(Text(56));
    CheckBox4->setText(Text(58));
    CheckBox4->setToolTip(Text(59));
    CheckBox7->setText(Text(61));

    GroupBox1->setTitle(Text(70));
    CheckBox5->setText(Text(71));
    CheckBox6->setText(Text(72));
    GroupBox2->setTitle(Text(65));
    for (int k = 1; k <= 4; ++k) {
        RateLabels[k - 1]->setText(Text(65 + k));
        IndicatorLabels[k - 1]->setText(Text(65 + k));
        IndicatorPanels[k - 1]->setToolTip(Text(112));
        LevelButtons[k - 1][0]->setText(Text(83));
        LevelButtons[k - 1][1]->setText(Text(84));
        LevelButtons[k - 1][2]->setText(Text(85));
    }
    BitBtn4->setText(Text(73));
    BitBtn5->setText(Text(74));
    BitBtn2->setText(Text(18));
    BitBtn3->setText(Text(13));

    // Hour marks: 12-hour marks with am/pm in English, 24-hour marks otherwise.
    const bool english = LanguageOffset() == kEnglishOffset;
    for (int i = 0; i < 13; ++i) {
        TopMarks[i]->setText(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
        BottomMarks[i]->setText(
            QStringLiteral("%1").arg(english ? i : i + 12, 2, 10, QLatin1Char('0')));
    }
    const QString left[3] = {QStringLiteral("30"), QStringLiteral("60"), QStringLiteral("30")};
    const QString right[3] = {english ? QStringLiteral("am") : QStringLiteral("30"),
                              QStringLiteral("60"),
                              english ? QStringLiteral("pm") : QStringLiteral("30")};
    for (int i = 0; i < 3; ++i) {
        LeftMarks[i]->setText(left[i]);
        RightMarks[i]->setText(right[i]);
    }
}

void TAdvancedDlg::FormCreate() {
    // 1. Captions and hints in the current language.
    SetTexts();

    // 2. Special options; the interlocks run as the boxes are set.
    CheckBox1->setChecked(
        ReadSwitch(QStringLiteral("Session"), QStringLiteral("Avrundning"), QStringLiteral("Nej")));
    CheckBox2->setChecked(
        ReadSwitch(QStringLiteral("Session"), QString::fromUtf8("Försök"), QStringLiteral("Nej")));
    CheckBox3->setChecked(
        ReadSwitch(QStringLiteral("Session"), QString::fromUtf8("Räknare"), QStringLiteral("Nej")));
    CheckBox4->setChecked(
        ReadSwitch(QStringLiteral("Session"), QStringLiteral("<1min"), QStringLiteral("Nej")));

    // 3. Multiple rates.
    CheckBox7->setChecked(
        ReadSwitch(QStringLiteral("Session"), QStringLiteral("Multiple"), QStringLiteral("Nej")));
    CheckBox7Click();

    // 4. Indicator.
    if (ReadSwitch(QStringLiteral("Session"), QStringLiteral("PeakSpec"), QStringLiteral("Nej"))) {
        CheckBox6->setChecked(true);
        for (int k = 1; k <= 4; ++k) {
            const QString level =
                ReadSetting(QStringLiteral("PeakSpec"), QStringLiteral("Rate%1").arg(k),
                            QStringLiteral("Ingen"), kLevelReadLength);
            if (level == QString::fromUtf8("Grön")) {
                LevelButtons[k - 1][0]->setChecked(true);
            } else if (level == QStringLiteral("Gul")) {
                LevelButtons[k - 1][1]->setChecked(true);
            } else if (level == QString::fromUtf8("Röd")) {
                LevelButtons[k - 1][2]->setChecked(true);
            }
        }
    }
    CheckBox6Click();

    // 5. Same rates Monday to Friday and the day tabs.
    CheckBox5->setChecked(
        ReadSwitch(QStringLiteral("Session"), QString::fromUtf8("Må-Fre"), QStringLiteral("Ja")));
    BuildDayTabs();

    // 6. Usage package: the package fields show their defaults unless it is on.
    Edit5->setText(QStringLiteral("0"));
    Edit6->setText(QStringLiteral("0.00"));
    Edit7->setText(QStringLiteral("0.00"));
    if (ReadSwitch(QStringLiteral("Charge"), QStringLiteral("simpel"), QStringLiteral("Nej"))) {
        CheckBox12->setChecked(true);  // hides the pages, see CheckBox12Click
        Edit5->setText(ReadSetting(QStringLiteral("Charge"), QStringLiteral("simpel_h"),
                                   QStringLiteral("0"), kHoursReadLength));
        Edit6->setText(ReadSetting(QStringLiteral("Charge"), QStringLiteral("simpel_$1"),
                                   QStringLiteral("0.00"), kPriceReadLength));
        Edit7->setText(ReadSetting(QStringLiteral("Charge"), QStringLiteral("simpel_$2"),
                                   QStringLiteral("0.00"), kPriceReadLength));
    }

    // 7. Package labels with the currency symbol; the initial charge page.
    CheckBox12->setText(Text(87));
    Label5->setText(Text(88) + QLatin1Char(' ') + SessionGlobals().CurrencySymbol);
    Label6->setText(Text(89) + QLatin1Char(' ') + SessionGlobals().CurrencySymbol);
    for (int k = 1; k <= 4; ++k) {
        InitialBox(k)->setText(Text(91));
        AmountLabels[k - 1]->setText(Text(92));
        InitialPanels[k - 1]->setToolTip(Text(93));
    }

    // 8. Initial charges.
    for (int k = 1; k <= 4; ++k) {
        if (ReadSwitch(QStringLiteral("Initial"), QStringLiteral("Rate%1").arg(k),
                       QStringLiteral("Nej"))) {
            InitialBox(k)->setChecked(true);
            AmountEdit(k)->setText(ReadSetting(QStringLiteral("Initial"),
                                               QStringLiteral("Pris_r%1").arg(k),
                                               QStringLiteral("0.00"), kPriceReadLength));
        }
    }

    // 9. Rate prices.
    for (int k = 1; k <= 4; ++k) {
        RateEdit(k)->setText(ReadSetting(QStringLiteral("Avgifter"), QStringLiteral("Avg%1").arg(k),
                                         QString(), kPriceReadLength));
    }

    // 10. No colour chosen; Monday in the grid.
    paintClass_ = 0;
    Timer1->start(100);
    PaintDay(1);
}

void TAdvancedDlg::Timer1Timer() {
    setWindowIcon(QApplication::windowIcon());
}

bool TAdvancedDlg::PageVisible(QWidget* page) const {
    if (page == TabSheet1 || page == TabSheet2) {
        return PageControl1->isTabVisible(PageControl1->indexOf(page));
    }
    return PageControl2->isTabVisible(PageControl2->indexOf(page));
}

void TAdvancedDlg::SetPageVisible(QWidget* page, bool visible) {
    QTabWidget* pages = (page == TabSheet1 || page == TabSheet2) ? PageControl1 : PageControl2;
    pages->setTabVisible(pages->indexOf(page), visible);
}

// --- check-box interlocks ---------------------------------------------------------------

void TAdvancedDlg::CheckBox1Click() {
    // Keeping the seconds is what makes a session under one minute visible in the log.
    if (!CheckBox1->isChecked() && CheckBox4->isChecked()) {
        CheckBox4->setChecked(false);
    }
}

void TAdvancedDlg::CheckBox2Click() {
    if (CheckBox2->isChecked()) {
        CheckBox4->setChecked(false);
    }
}

void TAdvancedDlg::CheckBox4Click() {
    if (CheckBox4->isChecked()) {
        CheckBox1->setChecked(true);
        CheckBox2->setChecked(false);
    }
}

void TAdvancedDlg::CheckBox5Click() {
    BuildDayTabs();
    if (CheckBox5->isChecked()) {
        CheckBox12->setChecked(false);
    }
}

void TAdvancedDlg::CheckBox6Click() {
    SetPageVisible(TabSheet5, CheckBox6->isChecked());
}

void TAdvancedDlg::CheckBox7Click() {
    SetPageVisible(TabSheet2, CheckBox7->isChecked());
}

void TAdvancedDlg::CheckBox12Click() {
    const bool package = CheckBox12->isChecked();
    if (package) {
        CheckBox5->setChecked(false);
        CheckBox6->setChecked(false);
    }
    CheckBox5->setEnabled(!package);
    CheckBox6->setEnabled(!package);
    GroupBox2->setEnabled(!package);
    GroupBox2->setVisible(!package);
    SetPageVisible(TabSheet4, !package);
    SetPageVisible(TabSheet6, !package);
    if (package) {
        SetPageVisible(TabSheet5, false);
    }
}

// --- day tabs and grid ------------------------------------------------------------------

void TAdvancedDlg::BuildDayTabs() {
    const int previous = TabControl1->currentIndex();
    {
        const QSignalBlocker blocker(TabControl1);
        while (TabControl1->count() > 0) {
            TabControl1->removeTab(0);
        }
        if (CheckBox5->isChecked()) {
            TabControl1->addTab(Text(82));
            TabControl1->addTab(Text(80));
            TabControl1->addTab(Text(81));
        } else {
            for (int n = 75; n <= 81; ++n) {
                TabControl1->addTab(Text(n));
            }
        }
        TabControl1->setCurrentIndex(previous >= 0 && previous < TabControl1->count() ? previous
                                                                                      : 0);
    }
    // The same tab position may now stand for another day: show what it stands for, so
    // the grid never shows one day while clicks go to another.
    if (previous >= 0) {
        TabControl1Change();
    }
}

std::vector<int> TAdvancedDlg::DaysOfCurrentTab() const {
    const int tab = std::max(0, TabControl1->currentIndex());
    if (TabControl1->count() == 3) {
        switch (tab) {
            case 0:
                return {1, 2, 3, 4, 5};
            case 1:
                return {6};
            default:
                return {7};
        }
    }
    return {tab + 1};
}

template <typename F>
void TAdvancedDlg::ForTabDays(int slot, F&& change) {
    TRateWeek& week = ProgramRateWeek();
    for (int day : DaysOfCurrentTab()) {
        change(week.Slot(day, slot));
    }
}

TRateCell* TAdvancedDlg::CellForSlot(int slot) const {
    for (const auto& row : cells_) {
        for (TRateCell* cell : row) {
            if (cell->SlotNumber() == slot) {
                return cell;
            }
        }
    }
    return nullptr;
}

void TAdvancedDlg::PaintDay(int day) {
    for (auto& row : cells_) {
        for (TRateCell* cell : row) {
            cell->Reset();
        }
    }
    const TRateWeek& week = ProgramRateWeek();
    for (int slot = 1; slot <= kSlots; ++slot) {
        const TRateSlot& record = week.Slot(day, slot);
        if (record.RateClass < 1 || record.RateClass > 4) {
            continue;
        }
        TRateCell* cell = CellForSlot(slot);
        cell->SetRateClass(record.RateClass);
        if (IsValidQuarterCode(record.QuarterCode)) {
            cell->SetCaption(QuarterCaption(record.QuarterCode % 10), record.QuarterCode / 10);
        }
    }
    previousCell_ = nullptr;
}

void TAdvancedDlg::TabControl1Change() {
    PaintDay(DaysOfCurrentTab().front());
}

void TAdvancedDlg::SpeedButtonClick(int rateClass) {
    paintClass_ = rateClass;
    ColourButton(rateClass)->setChecked(true);
}

void TAdvancedDlg::KlickaPaPanel(TRateCell* cell) {
    previousClass_ = cell->RateClass();
    previousCell_ = cell;
    cell->SetRateClass(paintClass_);
    const int paint = paintClass_;
    ForTabDays(cell->SlotNumber(),
               [paint](TRateSlot& slot) { slot.RateClass = static_cast<std::uint8_t>(paint); });
}

void TAdvancedDlg::DblKlickaPaPanel(TRateCell* cell) {
    // The click that opened this double-click painted the cell: undo that, so the
    // double-click changes only the quarter exception.
    const int primary = previousCell_ == cell ? previousClass_ : cell->RateClass();
    cell->SetRateClass(primary);

    // An empty half hour has no exception, and without a chosen colour there is no
    // secondary class: both clear the exception instead of storing a code without a class.
    int position = 0;
    if (primary != 0 && paintClass_ != 0) {
        position = NextPosition(PositionOfCaption(cell->Caption()), cell->SecondHalf());
    }
    const int code = position == 0 ? 0 : 10 * paintClass_ + position;
    cell->SetCaption(QuarterCaption(position), position == 0 ? 0 : paintClass_);
    ForTabDays(cell->SlotNumber(), [primary, code](TRateSlot& slot) {
        slot.RateClass = static_cast<std::uint8_t>(primary);
        slot.QuarterCode = static_cast<std::uint8_t>(code);
    });
    // The cell's state before the next click is what it shows now.
    previousCell_ = nullptr;
}

void TAdvancedDlg::BitBtn4Click() {
    for (auto& row : cells_) {
        for (TRateCell* cell : row) {
            cell->Reset();
        }
    }
    TRateWeek& week = ProgramRateWeek();
    for (int day : DaysOfCurrentTab()) {
        for (int slot = 1; slot <= kSlots; ++slot) {
            week.Slot(day, slot) = TRateSlot{};
        }
    }
    previousCell_ = nullptr;
}

void TAdvancedDlg::BitBtn5Click() {
    for (auto& row : cells_) {
        for (TRateCell* cell : row) {
            cell->SetRateClass(paintClass_);
        }
    }
    TRateWeek& week = ProgramRateWeek();
    for (int day : DaysOfCurrentTab()) {
        for (int slot = 1; slot <= kSlots; ++slot) {
            week.Slot(day, slot).RateClass = static_cast<std::uint8_t>(paintClass_);
        }
    }
    previousCell_ = nullptr;
}

// --- help and OK ------------------------------------------------------------------------

void TAdvancedDlg::BitBtn3Click() {
    QString file = HelpFileForCode(SessionGlobals().LanguageCode);
    if (file.isEmpty()) {
        file = HelpFileForOffset(LanguageOffset());
    }
    const int context = PageControl1->currentWidget() == TabSheet1 ? 9 : 5;
    platform::Help().ShowHelp(this, file, context);
}

void TAdvancedDlg::BitBtn1Click() {
    TariffValues values;
    values.RoundingDisabled = CheckBox1->isChecked();
    values.TriesLogged = CheckBox2->isChecked();
    values.CostMonitoringDisabled = CheckBox3->isChecked();
    values.ShortSessionsLogged = CheckBox4->isChecked();
    values.MultipleRates = CheckBox7->isChecked();
    values.UsagePackage = CheckBox12->isChecked();
    values.PackageHours = Edit5->text();
    values.PackagePrice = Edit6->text();
    values.HourPrice = Edit7->text();
    values.IndicatorOn = CheckBox6->isChecked();
    for (int k = 1; k <= 4; ++k) {
        IndicatorLevel level = IndicatorLevel::None;
        if (LevelButtons[k - 1][0]->isChecked()) {
            level = IndicatorLevel::Economy;
        } else if (LevelButtons[k - 1][1]->isChecked()) {
            level = IndicatorLevel::Medium;
        } else if (LevelButtons[k - 1][2]->isChecked()) {
            level = IndicatorLevel::Expensive;
        }
        values.IndicatorLevels[k - 1] = level;
        values.InitialChargeOn[k - 1] = InitialBox(k)->isChecked();
        values.InitialAmounts[k - 1] = AmountEdit(k)->text();
        values.RateTexts[k - 1] = RateEdit(k)->text();
    }
    values.SameRatesMonFri = CheckBox5->isChecked();

    bool accepted = false;
    QString failure;
    try {
        accepted = SaveTariff(values, ProgramRateWeek(), this);
    } catch (const std::exception& error) {
        failure = QString::fromLocal8Bit(error.what());
    }

    // The user sees the stored form of every price, also when the save was refused.
    Edit6->setText(values.PackagePrice);
    Edit7->setText(values.HourPrice);
    for (int k = 1; k <= 4; ++k) {
        RateEdit(k)->setText(values.RateTexts[k - 1]);
        AmountEdit(k)->setText(values.InitialAmounts[k - 1]);
    }
    // Accepting an initial charge may have filled the table.
    TabControl1Change();

    if (!failure.isEmpty()) {
        platform::Boxes().Show(this, windowTitle(), failure, platform::MessageBoxes::Icon::Error,
                               platform::MessageBoxes::Buttons::Ok);
        return;
    }
    if (accepted) {
        accept();
    }
}

}  // namespace vindelor
