#include "viewer/mainform.h"

#include "components/artwork.h"
#include "core/billingsettings.h"
#include "core/datatariff.h"
#include "core/language.h"
#include "core/logsummary.h"
#include "core/profile.h"
#include "core/qtlanguage.h"
#include "core/ratetable.h"
#include "core/texts.h"
#include "dialogs/omdialog.h"
#include "dialogs/settingsdlg.h"
#include "platform/datadir.h"
#include "platform/services.h"
#include "viewer/logexport.h"
#include "viewer/logrows.h"
#include "viewer/monthsform.h"
#include "viewer/xlsxexport.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTextOption>
#include <QTimer>

namespace vindelor::brusko {
namespace {

constexpr int kDesignDpi = 96;
constexpr int kDesignSection[3] = {96, 95, 97};
constexpr int kLargeFontSection = 118;
constexpr int kHelpContext = 4;
// The picture a button shows while its caption leaves room for it.
constexpr char kButtonIcon[] = "designIcon";

using platform::MessageBoxes;

// Dialog units to pixels the way the window system counts them: a horizontal dialog unit
// is a quarter of the font's average letter width.
int DialogUnitsToPixels(const QFontMetrics& fm, int units) {
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const double average = fm.horizontalAdvance(letters) / 52.0;
    return qMax(1, qRound(units * average / 4.0));
}

// Draws the rows with their tabs expanded to the list's tab stops.
class TabbedRowDelegate : public QStyledItemDelegate {
  public:
    explicit TabbedRowDelegate(QObject* parent) : QStyledItemDelegate(parent) {}
    void setTabDistance(int px) { tab_ = px; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

        const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
        painter->save();
        const bool selected = opt.state & QStyle::State_Selected;
        painter->setPen(opt.palette.color(QPalette::Normal,
                                          selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setFont(opt.font);
        QTextOption to(Qt::AlignLeft | Qt::AlignVCenter);
        to.setWrapMode(QTextOption::NoWrap);
        to.setTabStopDistance(tab_);
        painter->setClipRect(area);
        // Centre the single line vertically in the item.
        const QFontMetrics fm(opt.font);
        QRectF line(area);
        line.setTop(area.top() + (area.height() - fm.height()) / 2.0);
        // The row's leading tabs would put every field a column to the right of its
        // heading: they are drawn to the left of the list, where nothing shows.
        line.setLeft(area.left() - LeadingTabs(text) * tab_);
        painter->drawText(line, text, to);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        // The base size measures a tab as a blank; the row is as wide as its tab stops.
        const QFontMetrics fm(option.font);
        const QString text = index.data(Qt::DisplayRole).toString();
        const int margin =
            2 * (QApplication::style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
        size.setWidth(fm.size(Qt::TextSingleLine | Qt::TextExpandTabs, text, tab_).width() -
                      LeadingTabs(text) * tab_ + margin);
        return size;
    }

    static int LeadingTabs(const QString& text) {
        int n = 0;
        while (n < text.size() && text[n] == QLatin1Char('\t')) {
            ++n;
        }
        return n;
    }

  private:
    int tab_ = 20;
};

}  // namespace

bool UsesLargeFonts(const QWidget* widget) {
    return widget->logicalDpiY() > kDesignDpi;
}

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    BuildControls();
    FormCreate();
}

void TForm1::BuildControls() {
    // Sizeable, with system menu and minimise button, no maximise button.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(kProgramTitle);
    resize(484, 422);

    GroupBox1 = new QGroupBox(QStringLiteral("Vindelor log"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 4, 468, 316);

    auto* headerModel = new QStandardItemModel(0, 3, this);
    HeaderControl1 = new QHeaderView(Qt::Horizontal, GroupBox1);
    HeaderControl1->setObjectName(QStringLiteral("HeaderControl1"));
    HeaderControl1->setModel(headerModel);
    HeaderControl1->setSectionResizeMode(QHeaderView::Fixed);
    HeaderControl1->setStretchLastSection(false);
    HeaderControl1->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    HeaderControl1->setHighlightSections(false);
    HeaderControl1->setSectionsClickable(false);
    for (int i = 0; i < 3; ++i) {
        HeaderControl1->resizeSection(i, kDesignSection[i]);
    }
    HeaderControl1->setGeometry(10, 22, 448, 20);
    HeaderControl1->setEnabled(false);

    ListBox1 = new QListWidget(GroupBox1);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(10, 42, 448, 264);
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setItemDelegate(new TabbedRowDelegate(ListBox1));
    ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);

    Label3 = new QLabel(GroupBox1);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(10, 290, 448, 16);
    Label3->hide();
    connect(ListBox1, &QListWidget::itemSelectionChanged, this, [this] { UpdateSelectionLine(); });

    GroupBox2 = new QGroupBox(this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(8, 326, 150, 44);
    Label1 = new QLabel(GroupBox2);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 18, 134, 20);
    Label1->setAlignment(Qt::AlignCenter);

    GroupBox3 = new QGroupBox(this);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    GroupBox3->setGeometry(166, 326, 150, 44);
    Label2 = new QLabel(GroupBox3);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(8, 18, 134, 20);
    Label2->setAlignment(Qt::AlignCenter);

    auto button = [this](const char* name, QStyle::StandardPixmap icon, int x) {
        auto* b = new QPushButton(style()->standardIcon(icon), QString(), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setProperty(kButtonIcon, b->icon());
        b->setGeometry(x, 382, 88, 30);
        return b;
    };
    BitBtn5 = button("BitBtn5", QStyle::SP_FileDialogDetailedView, 8);
    BitBtn4 = button("BitBtn4", QStyle::SP_MessageBoxInformation, 102);
    BitBtn3 = button("BitBtn3", QStyle::SP_DialogHelpButton, 196);
    BitBtn2 = button("BitBtn2", QStyle::SP_TrashIcon, 290);
    BitBtn1 = button("BitBtn1", QStyle::SP_DialogCloseButton, 384);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(BitBtn4, &QPushButton::clicked, this, [this] { BitBtn4Click(); });
    connect(BitBtn5, &QPushButton::clicked, this, [this] { BitBtn5Click(); });

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    kopiera1 = PopupMenu1->addAction(QString());
    kopiera1->setObjectName(QStringLiteral("kopiera1"));
    Kopiera2 = PopupMenu1->addAction(QString());
    Kopiera2->setObjectName(QStringLiteral("Kopiera2"));
    Kopiera2->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Insert));
    Kopiera2->setShortcutContext(Qt::WindowShortcut);
    PopupMenu1->addSeparator();
    Calculate1 = PopupMenu1->addAction(QString());
    Calculate1->setObjectName(QStringLiteral("Calculate1"));
    PopupMenu1->addSeparator();
    Months1 = PopupMenu1->addAction(QString());
    Months1->setObjectName(QStringLiteral("Months1"));
    Export1 = PopupMenu1->addAction(QString());
    Export1->setObjectName(QStringLiteral("Export1"));
    Plans1 = PopupMenu1->addMenu(QString());
    Plans1->setObjectName(QStringLiteral("Plans1"));
    connect(Plans1, &QMenu::aboutToShow, this, [this] { FillPlansMenu(); });
    // The shortcut works without the menu open.
    addAction(Kopiera2);
    connect(kopiera1, &QAction::triggered, this, [this] { kopiera1Click(); });
    connect(Kopiera2, &QAction::triggered, this, [this] { Kopiera2Click(); });
    connect(Calculate1, &QAction::triggered, this, [this] { Calculate1Click(); });
    connect(Months1, &QAction::triggered, this, [this] { Months1Click(); });
    connect(Export1, &QAction::triggered, this, [this] { Export1Click(); });

    setContextMenuPolicy(Qt::CustomContextMenu);
    auto popup = [this](QWidget* from) {
        return [this, from](const QPoint& at) { PopupMenu1->popup(from->mapToGlobal(at)); };
    };
    connect(this, &QWidget::customContextMenuRequested, this, popup(this));
    connect(ListBox1, &QWidget::customContextMenuRequested, this, popup(ListBox1->viewport()));

    static_cast<TabbedRowDelegate*>(ListBox1->itemDelegate())->setTabDistance(TabStopPixels());
}

void TForm1::FormCreate() {
    // The name, not the display name: Qt would append a display name to every caption.
    QApplication::setApplicationName(kProgramTitle);
    // Every window and dialog of the program shows its icon from the first moment.
    QApplication::setWindowIcon(LoadIconResource(QStringLiteral("BRUSKO")));
    setWindowIcon(QApplication::windowIcon());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    // 1. Large fonts.
    if (UsesLargeFonts(this)) {
        AdjustForLargeFonts();
    }
    // 2.-5. Totals, cost frame, currency prefix, rows.
    Listing listing = LoadListing();
    const QString kept = listing.keptTemporary;
    ShowListing(std::move(listing));
    // 6. The rate table for the advanced options; a damaged file leaves it all zero.
    LoadRateDataFile(ProgramRateWeek());
    // 7. Language.
    SelectStoredLanguage(StoreLanguage::Yes);
    SattSprak();
    if (!kept.isEmpty()) {
        // Once the window is up, in the language just chosen.
        QTimer::singleShot(0, this, [this, kept] { ShowKept(kept); });
    }
}

void TForm1::ShowListing(Listing listing) {
    Label1->setText(listing.label1);
    Label2->setText(listing.label2);
    GroupBox3->setVisible(listing.costFrameVisible);
    currencyPrefix_ = listing.currencyPrefix;
    lines_ = std::move(listing.lines);
    ShowRows(listing.rows);
    Memo1 = std::move(listing.clipboard);
    const QString plan = platform::SelectedPlan();
    setWindowTitle(plan.isEmpty() ? kProgramTitle
                                  : QStringLiteral("%1 – %2").arg(kProgramTitle, plan));
}

void TForm1::FillPlansMenu() {
    Plans1->clear();
    auto* group = new QActionGroup(Plans1);
    const QString selected = platform::SelectedPlan();
    for (const QString& name : QStringList{QString()} + platform::PlanNames()) {
        QAction* action = Plans1->addAction(PlanTitle(name));
        action->setCheckable(true);
        action->setChecked(name == selected);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, name] { ChoosePlan(name); });
    }
}

void TForm1::ChoosePlan(const QString& name) {
    if (name == platform::SelectedPlan() || !platform::SelectPlan(name)) {
        return;
    }
    // Every file is named by the plan's directory from here on: the listing, the
    // deletions, the recount and the settings dialog all work on the plan chosen.
    Listing listing = LoadListing();
    const QString kept = listing.keptTemporary;
    ShowListing(std::move(listing));
    LoadRateDataFile(ProgramRateWeek());
    SelectStoredLanguage();
    SattSprak();
    if (!kept.isEmpty()) {
        ShowKept(kept);
    }
}

void TForm1::ShowKept(const QString& path) {
    platform::Boxes().Show(this, kProgramTitle,
                           Text(kOwnTextBase + kTextOldTemporaryKept).arg(path),
                           MessageBoxes::Icon::Warning, MessageBoxes::Buttons::Ok);
}

void TForm1::AdjustForLargeFonts() {
    tabStopUnits_ = 14;
    for (int i = 0; i < 3; ++i) {
        HeaderControl1->resizeSection(i, kLargeFontSection);
    }
    static_cast<TabbedRowDelegate*>(ListBox1->itemDelegate())->setTabDistance(TabStopPixels());
    ListBox1->viewport()->update();
}

int TForm1::TabStopPixels() const {
    return DialogUnitsToPixels(ListBox1->fontMetrics(), tabStopUnits_);
}

void TForm1::SattSprak() {
    FollowLanguageInQt();
    auto* model = HeaderControl1->model();
    model->setHeaderData(0, Qt::Horizontal, Text(31));
    model->setHeaderData(1, Qt::Horizontal, Text(32));
    model->setHeaderData(2, Qt::Horizontal, Text(29));
    GroupBox2->setTitle(Text(29));
    GroupBox3->setTitle(Text(30));
    BitBtn5->setText(Text(15));
    BitBtn4->setText(Text(12));
    BitBtn3->setText(Text(33));
    BitBtn2->setText(Text(34));
    BitBtn1->setText(Text(35));
    kopiera1->setText(Text(45));
    Kopiera2->setText(Text(46));
    Calculate1->setText(Text(60));
    Months1->setText(Text(kOwnTextBase + kTextMonthsMenu));
    Export1->setText(Text(kOwnTextBase + kTextExportMenu));
    Plans1->setTitle(Text(kOwnTextBase + kTextPlanMenu));
    // A data directory without plans has the menu it always had.
    Plans1->menuAction()->setVisible(!platform::PlanNames().isEmpty());
    UpdateSelectionLine();
    FitButtonTexts();
}

void TForm1::FitButtonTexts() {
    // The buttons keep their design width; a caption that does not fit beside the
    // picture ("Inställningar") is shown whole without it.
    for (QPushButton* button : {BitBtn5, BitBtn4, BitBtn3, BitBtn2, BitBtn1}) {
        button->setIcon(button->property(kButtonIcon).value<QIcon>());
        if (button->sizeHint().width() > button->width()) {
            button->setIcon(QIcon());
        }
    }
}

void TForm1::ShowRows(const QStringList& rows) {
    ListBox1->setUpdatesEnabled(false);
    ListBox1->clear();
    ListBox1->addItems(rows);
    ListBox1->setUpdatesEnabled(true);
    UpdateSelectionLine();
}

void TForm1::UpdateSelectionLine() {
    // The list gives up the line's height only while the line shows: with fewer than two
    // rows chosen the window is exactly as it always was.
    constexpr int kListHeight = 264;
    const QList<int> selected = ListBox1->count() > 0 ? SelectedRows() : QList<int>();
    if (selected.size() < 2) {
        Label3->hide();
        ListBox1->resize(ListBox1->width(), kListHeight);
        return;
    }
    QStringList chosen;
    chosen.reserve(selected.size());
    for (const int row : selected) {
        if (row < lines_.size()) {
            chosen.append(lines_[row]);
        }
    }
    const Subtotal subtotal = SubtotalOf(chosen);
    const QString cost = currencyPrefix_ + QLatin1Char(' ') + ShownCost(subtotal.cost);
    Label3->setText(Text(kOwnTextBase + kTextSelectionSubtotal)
                        .arg(subtotal.count)
                        .arg(NetTimeText(subtotal.seconds), cost));
    ListBox1->resize(ListBox1->width(), kListHeight - Label3->height() - 2);
    Label3->show();
}

void TForm1::Months1Click() {
    // The months of the rows as listed, so the window agrees with the list beside it.
    auto* months = new TMonthsForm(DateLogLines(lines_, LogDateFormat()), StoredStartDay(),
                                   platform::Clock().Now().date(), currencyPrefix_, this);
    months->ShowWhatIsLeft(Money::FromDouble(ReadBillingSettings().budget),
                           ReadDataTariff().includedBytes);
    months->show();
}

void TForm1::Export1Click() {
    // The workbook first: it is what opens right in a spreadsheet in every locale.
    const QString filters[] = {Text(kOwnTextBase + kTextXlsxFilter),
                               Text(kOwnTextBase + kTextCsvFilter),
                               Text(kOwnTextBase + kTextJsonFilter)};
    const ExportFormat formats[] = {ExportFormat::Xlsx, ExportFormat::Csv, ExportFormat::Json};
    const char* suffixes[] = {"xlsx", "csv", "json"};
    QString filter = filters[0];
    QString path = QFileDialog::getSaveFileName(
        this, Text(kOwnTextBase + kTextExportTitle), QString(),
        QStringList(std::begin(filters), std::end(filters)).join(QLatin1String(";;")), &filter);
    if (path.isEmpty()) {
        return;
    }
    // A typed suffix decides; without one, the filter chosen does and gives its suffix.
    int chosen = 0;
    for (int i = 0; i < 3; ++i) {
        if (filter == filters[i]) {
            chosen = i;
        }
    }
    const QString suffix = QFileInfo(path).suffix();
    for (int i = 0; i < 3; ++i) {
        if (suffix.compare(QLatin1String(suffixes[i]), Qt::CaseInsensitive) == 0) {
            chosen = i;
        }
    }
    if (suffix.isEmpty()) {
        path += QLatin1Char('.') + QLatin1String(suffixes[chosen]);
    }
    ExportTo(path, formats[chosen]);
}

bool TForm1::ExportTo(const QString& path, ExportFormat format) {
    const DatedLog log = DateLogLines(lines_, LogDateFormat());
    QString error;
    QByteArray bytes;
    bool made = true;
    switch (format) {
        case ExportFormat::Xlsx:
            made = ExportXlsx(log.lines, currencyPrefix_, &bytes, &error);
            break;
        case ExportFormat::Csv:
            bytes = ExportCsv(log.lines);
            break;
        case ExportFormat::Json:
            bytes = ExportJson(log.lines);
            break;
    }
    if (!made || !WriteTextFile(path, bytes, &error)) {
        platform::Boxes().Show(this, kProgramTitle,
                               Text(kOwnTextBase + kTextExportNotWritten).arg(error),
                               MessageBoxes::Icon::Error, MessageBoxes::Buttons::Ok);
        return false;
    }
    if (!log.undated.empty()) {
        platform::Boxes().Show(this, kProgramTitle, UndatedNotice(log.undated),
                               MessageBoxes::Icon::Information, MessageBoxes::Buttons::Ok);
    }
    return true;
}

QStringList TForm1::Rows() const {
    QStringList rows;
    rows.reserve(ListBox1->count());
    for (int i = 0; i < ListBox1->count(); ++i) {
        rows.append(ListBox1->item(i)->text());
    }
    return rows;
}

QList<int> TForm1::SelectedRows() const {
    QList<int> rows;
    for (int i = 0; i < ListBox1->count(); ++i) {
        if (ListBox1->item(i)->isSelected()) {
            rows.append(i);
        }
    }
    return rows;
}

void TForm1::CopyToClipboard(const QStringList& lines) {
    QGuiApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

void TForm1::BitBtn1Click() {
    close();
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Delete) && !SelectedRows().isEmpty()) {
        BitBtn2Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TForm1::BitBtn2Click() {
    auto& boxes = platform::Boxes();
    auto refuse = [&] {
        boxes.Show(this, kProgramTitle, Text(36), MessageBoxes::Icon::Information,
                   MessageBoxes::Buttons::Ok);
    };
    if (SessionOpen()) {
        refuse();
        return;
    }
    if (boxes.Show(this, kProgramTitle, Text(37), MessageBoxes::Icon::Question,
                   MessageBoxes::Buttons::YesNo) != MessageBoxes::Answer::Yes) {
        return;
    }
    const QList<int> selected = SelectedRows();
    // The main program may have opened a session while the question was open: the
    // deletion checks again under the lock.
    DeleteResult r = DeleteRows(lines_, std::vector<int>(selected.begin(), selected.end()));
    if (r.status == DeleteStatus::SessionOpen) {
        refuse();
        return;
    }
    if (r.status == DeleteStatus::Failed) {
        boxes.Show(this, kProgramTitle, Text(kOwnTextBase + kTextLogNotChanged).arg(r.error),
                   MessageBoxes::Icon::Error, MessageBoxes::Buttons::Ok);
        return;
    }
    lines_ = std::move(r.lines);
    ShowRows(r.rows);
    Memo1 = std::move(r.clipboard);
    Label1->setText(r.label1);
    if (r.label2Changed) {
        Label2->setText(r.label2);
    }
    if (!r.totalsError.isEmpty()) {
        ShowTotalsNotSaved(r.totalsError);
    }
    if (!r.keptTemporary.isEmpty()) {
        ShowKept(r.keptTemporary);
    }
}

void TForm1::ShowTotalsNotSaved(const QString& error) {
    // The labels show the totals of the listed lines; the file still holds the old
    // ones, and "Calculate" can try again.
    platform::Boxes().Show(this, kProgramTitle, Text(kOwnTextBase + kTextTotalsNotSaved).arg(error),
                           MessageBoxes::Icon::Error, MessageBoxes::Buttons::Ok);
}

void TForm1::BitBtn3Click() {
    platform::Help().ShowHelp(this, HelpFileForOffset(LanguageOffset()), kHelpContext);
}

void TForm1::BitBtn4Click() {
    TOmDlg about(this);
    about.exec();
}

void TForm1::BitBtn5Click() {
    {
        TSettingsDlg settings(this);
        settings.exec();
    }
    RefreshAfterSettings();
}

void TForm1::RefreshAfterSettings() {
    SelectLanguage(ProgramLanguage(5, StoreLanguage::No));
    SattSprak();
    QString label2;
    const bool visible = CostLabelAfterSettings(currencyPrefix_, &label2);
    Label2->setText(label2);
    GroupBox3->setVisible(visible);
}

void TForm1::kopiera1Click() {
    CopyToClipboard(Memo1);
}

void TForm1::Kopiera2Click() {
    const QStringList rows = Rows();
    Memo1.clear();
    // The rows show no volume; the listed line of each row has it.
    const auto copyLine = [&](int i) {
        const QString volume =
            i < lines_.size() ? VolumeClipboardText(SplitLogLine(lines_[i]).volume) : QString();
        return CopyLineFromRow(rows[i]) + volume;
    };
    for (const int i : SelectedRows()) {
        Memo1.append(copyLine(i));
    }
    CopyToClipboard(Memo1);
    Memo1.clear();
    // From now on "Copy all lines" copies every row in this form.
    for (int i = 0; i < rows.size(); ++i) {
        Memo1.append(copyLine(i));
    }
}

void TForm1::Calculate1Click() {
    const RecountResult r = RecalculateTotals(Rows(), currencyPrefix_);
    Label2->setText(r.label2);
    if (!r.error.isEmpty()) {
        ShowTotalsNotSaved(r.error);
    }
}

}  // namespace vindelor::brusko
