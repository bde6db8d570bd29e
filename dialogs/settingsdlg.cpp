#include "dialogs/settingsdlg.h"

#include "core/language.h"
#include "core/numbers.h"
#include "core/profile.h"
#include "core/qtlanguage.h"
#include "core/sessionglobals.h"
#include "core/texts.h"
#include "dialogs/advanceddlg.h"
#include "dialogs/budgetdlg.h"
#include "dialogs/connectiondlg.h"
#include "dialogs/datatariffdlg.h"
#include "dialogs/dialogparts.h"
#include "dialogs/plansdlg.h"
#include "dialogs/refreshdlg.h"
#include "dialogs/roamingdlg.h"
#include "platform/datadir.h"
#include "platform/services.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <cerrno>
#include <cmath>

namespace vindelor {
namespace {

const QString kCharge = QStringLiteral("Charge");
const QString kSession = QStringLiteral("Session");

QString ReadSetting(const QString& section, const QString& key, const QString& def, int maxLength) {
    return GetProfileString(section, key, def, maxLength, kSettingsFile);
}

// The stored charge per minute as the dialog shows it: with the decimals it has, at least
// two and at most four, as the log counts (0.25, 1.50, 0.0125, 0.00). A stored text that is
// no number shows, and counts, as 0.
QString ChargeText(const QString& stored, double* value) {
    *value = NumberOr(stored, 0.0);
    QString text = FixedPointText(*value, 1, 4);
    for (int i = 0; i < 2 && text.endsWith(QLatin1Char('0')); ++i) {
        text.chop(1);
    }
    return text;
}

constexpr double kMaxCharge = 1000;
constexpr double kMaxMinimum = 100000000;
constexpr long long kMaxAverageSeconds = 3600;

// A charge of at most four decimals (the log's), 0 … kMaxCharge.
bool UsableCharge(double value) {
    const double units = value * 10000;
    return value >= 0 && value <= kMaxCharge && std::abs(units - std::round(units)) < 1e-6;
}

bool AllDigits(const QString& text) {
    if (text.isEmpty()) {
        return false;
    }
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return false;
        }
    }
    return true;
}

QString StoredCharge() {
    return ReadSetting(kCharge, QStringLiteral("per_min"), QStringLiteral("0"), 20);
}

bool CostMonitoringOff() {
    return ReadSetting(kSession, QString::fromUtf8("Räknare"), QStringLiteral("Nej"), 5) ==
           QStringLiteral("Ja");
}

bool MultipleRatesOn() {
    return ReadSetting(kSession, QStringLiteral("Multiple"), QStringLiteral("Nej"), 5) ==
           QStringLiteral("Ja");
}

// An average connect time typed with a point is minutes and hundredths-of-a-minute
// digits that stand for seconds: 1.30 is one minute thirty, 0.45 is 45 seconds.
QString AverageSeconds(const QString& text) {
    double v = 0;
    if (!text.contains(QLatin1Char('.')) || !ParseNumber(text, &v)) {
        return text;
    }
    const double whole = std::trunc(v);
    const double seconds = (v - whole) * 100.0 + whole * 60.0;
    QString result = QStringLiteral("%1").arg(static_cast<long long>(std::llround(seconds)), 3);
    if (result.startsWith(QLatin1Char(' '))) {
        result.remove(0, 1);
    }
    return result;
}

QToolButton* LanguageButton(QWidget* parent, const char* name, const QString& label) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setCheckable(true);
    button->setAutoExclusive(true);
    button->setText(label);
    button->setMinimumWidth(64);
    return button;
}

}  // namespace

TSettingsDlg::TSettingsDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SettingsDlg"));
    BuildControls();
    FormCreate();
}

TSettingsDlg::~TSettingsDlg() = default;

void TSettingsDlg::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    // As large as its contents and no larger: a dialog of fixed size, without a maximise
    // button.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 12, 12, 6);

    auto* fields = new QGridLayout;
    auto addField = [&](QLabel*& label, QLineEdit*& edit, int row, const char* name) {
        label = new QLabel(this);
        edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setFixedWidth(110);
        label->setBuddy(edit);
        fields->addWidget(label, row, 0);
        fields->addWidget(edit, row, 1);
    };
    addField(Label1, Edit1, 0, "Edit1");
    addField(Label2, Edit2, 1, "Edit2");
    addField(Label3, Edit3, 2, "Edit3");
    addField(Label4, Edit4, 3, "Edit4");
    fields->setColumnStretch(0, 1);
    body->addLayout(fields);
    editPalette_ = Edit1->palette();

    CheckBox1 = new QCheckBox(this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    body->addWidget(CheckBox1);

    auto* buttons = new QHBoxLayout;
    // The languages carry their own names, so a user can find theirs in any language.
    SpeedButton1 = LanguageButton(this, "SpeedButton1", QStringLiteral("Svenska"));
    SpeedButton2 = LanguageButton(this, "SpeedButton2", QStringLiteral("Suomi"));
    SpeedButton3 = LanguageButton(this, "SpeedButton3", QStringLiteral("English"));
    languageGroup_ = new QButtonGroup(this);
    languageGroup_->addButton(SpeedButton1);
    languageGroup_->addButton(SpeedButton2);
    languageGroup_->addButton(SpeedButton3);
    buttons->addWidget(SpeedButton1);
    buttons->addWidget(SpeedButton2);
    buttons->addWidget(SpeedButton3);
    buttons->addStretch();
    const OkCancelHelp okCancelHelp = AddOkCancelHelp(this, buttons, QStringLiteral("&Ok"));
    BitBtn1 = okCancelHelp.ok;
    BitBtn2 = okCancelHelp.cancel;
    BitBtn3 = okCancelHelp.help;
    body->addLayout(buttons);
    layout->addLayout(body);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    layout->addWidget(StatusBar1);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Advanced1 = PopupMenu1->addAction(QString());
    Advanced1->setObjectName(QStringLiteral("Advanced1"));
    Connection1 = PopupMenu1->addAction(QString());
    Connection1->setObjectName(QStringLiteral("Connection1"));
    Budget1 = PopupMenu1->addAction(QString());
    Budget1->setObjectName(QStringLiteral("Budget1"));
    DataTariff1 = PopupMenu1->addAction(QString());
    DataTariff1->setObjectName(QStringLiteral("DataTariff1"));
    Roaming1 = PopupMenu1->addAction(QString());
    Roaming1->setObjectName(QStringLiteral("Roaming1"));
    Plans1 = PopupMenu1->addAction(QString());
    Plans1->setObjectName(QStringLiteral("Plans1"));
    PopupMenu1->addSeparator();
    Refresh1 = PopupMenu1->addAction(QStringLiteral("Vindelor refresh"));
    Refresh1->setObjectName(QStringLiteral("Refresh1"));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));

    connect(BitBtn1, &QPushButton::clicked, this, &TSettingsDlg::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TSettingsDlg::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TSettingsDlg::BitBtn3Click);
    connect(SpeedButton1, &QToolButton::clicked, this, &TSettingsDlg::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TSettingsDlg::SpeedButton2Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TSettingsDlg::SpeedButton3Click);
    connect(Advanced1, &QAction::triggered, this, &TSettingsDlg::Advanced1Click);
    connect(Connection1, &QAction::triggered, this, &TSettingsDlg::Connection1Click);
    connect(Budget1, &QAction::triggered, this, &TSettingsDlg::Budget1Click);
    connect(DataTariff1, &QAction::triggered, this, &TSettingsDlg::DataTariff1Click);
    connect(Roaming1, &QAction::triggered, this, &TSettingsDlg::Roaming1Click);
    connect(Plans1, &QAction::triggered, this, &TSettingsDlg::Plans1Click);
    connect(Refresh1, &QAction::triggered, this, &TSettingsDlg::Refresh1Click);
    connect(Timer1, &QTimer::timeout, this, &TSettingsDlg::Timer1Timer);
}

void TSettingsDlg::FormCreate() {
    SessionGlobalsT& globals = SessionGlobals();

    // The language button of the current language is down.
    switch (LanguageOffset()) {
        case kSwedishOffset:
            SpeedButton1->setChecked(true);
            break;
        case kFinnishOffset:
            SpeedButton2->setChecked(true);
            break;
        case kEnglishOffset:
            SpeedButton3->setChecked(true);
            break;
        default:
            break;
    }

    double rate = 0;
    Edit1->setText(ChargeText(StoredCharge(), &rate));
    globals.CurrentRate = rate;

    const QString minimum = ReadSetting(kCharge, QStringLiteral("minimi"), QStringLiteral("0"), 20);
    Edit2->setText(FixedPointText(NumberOr(minimum, 0.0), 4, 2));
    globals.MonthlyMinimum = LeadingWholeNumber(minimum);

    const QString currency =
        ReadSetting(kCharge, QStringLiteral("valuta"), platform::Region().CurrencySymbol(), 10);
    Edit3->setText(currency);
    globals.CurrencySymbol = currency.left(10);

    const QString average =
        ReadSetting(QStringLiteral("Connect"), QStringLiteral("average"), QStringLiteral("30"), 10);
    Edit4->setText(average);
    globals.AverageConnectTime = LeadingWholeNumber(average);

    CheckBox1->setChecked(ReadSetting(QStringLiteral("Avsluta"), QStringLiteral("Visa"),
                                      QStringLiteral("Ja"), 10) == QStringLiteral("Ja"));
    if (CostMonitoringOff()) {
        CheckBox1->setChecked(false);
        CheckBox1->setEnabled(false);
    }

    ShowRateTableMode(MultipleRatesOn());
    shownCharge_ = Edit1->text();
    shownMinimum_ = Edit2->text();
    shownCurrency_ = Edit3->text();
    shownAverage_ = Edit4->text();

    openingOffset_ = LanguageOffset();
    SprakTexter();
    StatusBar1->showMessage(ticker_);
    Timer1->start(100);
}

// While a rate table is in force the charge per minute is not used: the field says so
// and cannot be edited.
void TSettingsDlg::ShowRateTableMode(bool multiple) {
    showsRateTables_ = multiple;
    if (multiple) {
        Edit1->setText(Text(63));
        QPalette palette = editPalette_;
        palette.setColor(QPalette::Base, palette.color(QPalette::Button));
        Edit1->setPalette(palette);
        Edit1->setEnabled(false);
    } else {
        Edit1->setPalette(editPalette_);
        Edit1->setEnabled(true);
    }
}

void TSettingsDlg::BuildTicker() {
    ticker_ = (Text(47) + QLatin1Char(' ')).left(kTickerLength);
    ticker_.prepend(QString(kTickerLength - ticker_.size(), QLatin1Char(' ')));
}

void TSettingsDlg::SprakTexter() {
    FollowLanguageInQt();
    setWindowTitle(Text(11));
    Label1->setText(Text(2));
    Label2->setText(Text(3));
    Label3->setText(Text(4));
    Label4->setText(Text(5));
    Edit2->setToolTip(Text(6));
    Edit3->setToolTip(Text(7));
    Label2->setToolTip(Text(6));
    Label3->setToolTip(Text(7));
    CheckBox1->setText(Text(43));
    SpeedButton1->setToolTip(Text(8));
    SpeedButton2->setToolTip(Text(9));
    SpeedButton3->setToolTip(Text(10));
    BitBtn2->setText(Text(18));
    BitBtn3->setText(Text(13));
    Advanced1->setText(Text(48));
    Connection1->setText(Text(kOwnTextBase + kTextConnectionMenu));
    Budget1->setText(Text(kOwnTextBase + kTextBudgetPage));
    DataTariff1->setText(Text(kOwnTextBase + kTextDataPage));
    Roaming1->setText(Text(kOwnTextBase + kTextRoamingPage));
    Plans1->setText(Text(kOwnTextBase + kTextPlansPage));
    if (showsRateTables_) {
        Edit1->setText(Text(63));
    }
    BuildTicker();
}

void TSettingsDlg::Timer1Timer() {
    setWindowIcon(QApplication::windowIcon());
    StatusBar1->showMessage(ticker_);
    if (!ticker_.isEmpty()) {
        ticker_ = ticker_.mid(1) + ticker_.at(0);
    }
}

void TSettingsDlg::SpeedButton1Click() {
    SetLanguageOffset(kSwedishOffset);
    SpeedButton1->setChecked(true);
    SprakTexter();
}

void TSettingsDlg::SpeedButton2Click() {
    SetLanguageOffset(kFinnishOffset);
    SpeedButton2->setChecked(true);
    SprakTexter();
}

void TSettingsDlg::SpeedButton3Click() {
    SetLanguageOffset(kEnglishOffset);
    SpeedButton3->setChecked(true);
    SprakTexter();
}

void TSettingsDlg::contextMenuEvent(QContextMenuEvent* event) {
    PopupMenu1->exec(event->globalPos());
}

void TSettingsDlg::BitBtn1Click() {
    SessionGlobalsT& globals = SessionGlobals();
    // Only what the user changed is stored: a field left as it opened keeps the stored
    // text byte for byte, even where the field shows it rounded.
    const auto edited = [](const QLineEdit* edit, const QString& shown) {
        return edit->text() != shown;
    };

    // Every entry is checked before anything is stored, so a refusal leaves the file as
    // it was.
    // 1. Charge per minute, only while no rate table is in force.
    const bool singleCharge = ReadSetting(kSession, QStringLiteral("Multiple"),
                                          QStringLiteral("Nej"), 5) == QStringLiteral("Nej");
    const bool chargeEdited = singleCharge && edited(Edit1, shownCharge_);
    double rate = globals.CurrentRate;
    QString charge;
    bool chargeFallsBack = false;
    if (chargeEdited) {
        charge = FirstCommaToPoint(Edit1->text());
        if (charge.isEmpty()) {
            charge = QStringLiteral("0");
        }
        if (ParseNumber(charge, &rate)) {
            if (!UsableCharge(rate)) {
                RefuseEntry(this, Edit1, Text(kOwnTextBase + kTextBadCharge));
                return;
            }
        } else if (CheckBox1->isEnabled()) {
            // Not usable as a charge: the program counts with nothing, and says so below.
            chargeFallsBack = true;
            rate = 0;
            charge = QStringLiteral("0");
        } else {
            RefuseEntry(this, Edit1, Text(kOwnTextBase + kTextBadCharge));
            return;
        }
    }

    // 2. Monthly minimum.
    const bool minimumEdited = edited(Edit2, shownMinimum_);
    QString minimum = FirstCommaToPoint(Edit2->text());
    if (minimumEdited) {
        if (minimum.isEmpty()) {
            minimum = QStringLiteral("0");
        }
        double value = 0;
        if (!ParseNumber(minimum, &value) || value < 0 || value > kMaxMinimum) {
            RefuseEntry(this, Edit2, Text(kOwnTextBase + kTextBadMinimum));
            return;
        }
    }

    // 3. Currency symbol.
    const bool currencyEdited = edited(Edit3, shownCurrency_);
    QString currency = Edit3->text();
    if (currency.isEmpty()) {
        currency = QStringLiteral("$");
    }

    // 4. Average connect time in seconds.
    const bool averageEdited = edited(Edit4, shownAverage_);
    QString average = AverageSeconds(FirstCommaToPoint(Edit4->text()));
    if (averageEdited) {
        if (average.isEmpty()) {
            average = QStringLiteral("0");
        }
        if (!AllDigits(average.trimmed()) || LeadingWholeNumber(average) > kMaxAverageSeconds) {
            RefuseEntry(this, Edit4, Text(kOwnTextBase + kTextBadAverage));
            return;
        }
    }

    if (chargeFallsBack) {
        platform::Boxes().Show(this, windowTitle(), Text(44),
                               platform::MessageBoxes::Icon::Information,
                               platform::MessageBoxes::Buttons::Ok);
    }

    // The program takes the new values only once every one is stored: a write that fails
    // (a full disk) leaves the dialog open with the entries, and the program as it was.
    int writeError = 0;
    const auto store = [&writeError](const QString& section, const QString& key,
                                     const QString& value) {
        if (writeError == 0 &&
            !WriteProfileString(section, key, value, kSettingsFile, &writeError)) {
            writeError = writeError != 0 ? writeError : EIO;
        }
    };
    if (chargeEdited) {
        store(kCharge, QStringLiteral("per_min"), charge);
    }
    if (minimumEdited) {
        Edit2->setText(minimum);
        store(kCharge, QStringLiteral("minimi"), minimum);
    }
    if (currencyEdited) {
        store(kCharge, QStringLiteral("valuta"), currency);
    }
    if (averageEdited) {
        Edit4->setText(average);
        store(QStringLiteral("Connect"), QStringLiteral("average"), average);
    }

    // 5. Language.
    // A plan keeps following the default plan's language until another is chosen for it.
    const QString code = LanguageCodeForOffset(LanguageOffset());
    const QString language = QString::fromUtf8("Språk");
    if (platform::SelectedPlan().isEmpty() || code != ProgramLanguage(5, StoreLanguage::No) ||
        !GetProfileString(language, language, QString(), 5, kSettingsFile).isEmpty()) {
        store(language, language, code);
    }

    // 6. Summary at the end of a session.
    store(QStringLiteral("Avsluta"), QStringLiteral("Visa"),
          CheckBox1->isChecked() ? QStringLiteral("Ja") : QStringLiteral("Nej"));

    if (writeError != 0) {
        ShowSettingNotSaved(this, writeError);
        return;
    }
    if (chargeEdited) {
        globals.CurrentRate = rate;
    }
    if (minimumEdited) {
        globals.MonthlyMinimum = LeadingWholeNumber(minimum);
    }
    if (currencyEdited) {
        globals.CurrencySymbol = currency.left(10);
    }
    if (averageEdited) {
        globals.AverageConnectTime = LeadingWholeNumber(average);
    }
    globals.LanguageCode = code;
    Timer1->stop();
    accept();
}

void TSettingsDlg::BitBtn2Click() {
    reject();
}

void TSettingsDlg::reject() {
    SetLanguageOffset(openingOffset_);
    FollowLanguageInQt();
    Timer1->stop();
    QDialog::reject();
}

void TSettingsDlg::BitBtn3Click() {
    // Each later match wins, so a language chosen in this dialog but not yet stored can
    // decide over the stored code.
    const QString& code = SessionGlobals().LanguageCode;
    const int offset = LanguageOffset();
    QString file = QStringLiteral("UKVindelor");
    if (code == QStringLiteral("S") || offset == kSwedishOffset) {
        file = QStringLiteral("SVindelor");
    }
    if (code == QStringLiteral("SF") || offset == kFinnishOffset) {
        file = QStringLiteral("SFVindelor");
    }
    if (code == QStringLiteral("UK") || offset == kEnglishOffset) {
        file = QStringLiteral("UKVindelor");
    }
    platform::Help().ShowHelp(this, file, 1);
}

void TSettingsDlg::Connection1Click() {
    TConnectionDlg dialog(this);
    dialog.exec();
}

void TSettingsDlg::Advanced1Click() {
    Timer1->stop();
    StatusBar1->clearMessage();
    {
        TAdvancedDlg dialog(this);
        dialog.exec();
    }
    Timer1->start(100);
    StatusBar1->showMessage(ticker_);

    // The advanced options may have switched cost monitoring or the rate table.
    const bool monitoringOff = CostMonitoringOff();
    if (monitoringOff) {
        CheckBox1->setChecked(false);
    }
    CheckBox1->setEnabled(!monitoringOff);

    const bool multiple = MultipleRatesOn();
    const bool showedRateTables = showsRateTables_;
    ShowRateTableMode(multiple);
    if (!multiple && (showedRateTables || Edit1->text() == Text(63))) {
        // Back to a single charge: offer the stored one rather than an empty field that
        // OK would turn into a charge of 0.
        double rate = 0;
        Edit1->setText(ChargeText(StoredCharge(), &rate));
        shownCharge_ = Edit1->text();
    }
}

void TSettingsDlg::Budget1Click() {
    TBudgetDlg dialog(this);
    dialog.exec();
}

void TSettingsDlg::DataTariff1Click() {
    TDataTariffDlg dialog(this);
    dialog.exec();
}

void TSettingsDlg::Roaming1Click() {
    TRoamingDlg dialog(this);
    dialog.exec();
}

void TSettingsDlg::Plans1Click() {
    TPlansDlg dialog(this);
    dialog.exec();
}

void TSettingsDlg::Refresh1Click() {
    TRefreshDlg dialog(this);
    dialog.exec();
}

}  // namespace vindelor
