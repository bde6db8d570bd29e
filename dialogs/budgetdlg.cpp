#include "dialogs/budgetdlg.h"

#include "core/billingsettings.h"
#include "core/texts.h"
#include "dialogs/dialogparts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vindelor {
namespace {

QString Own(int n) {
    return Text(kOwnTextBase + n);
}

}  // namespace

TBudgetDlg::TBudgetDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("BudgetDlg"));
    setWindowTitle(Own(kTextBudgetPage));
    const BillingEntries stored = ReadBillingEntries();

    StartDayEdit = NamedEdit(this, "StartDayEdit", stored.startDay);
    BudgetEdit = NamedEdit(this, "BudgetEdit", stored.budget);
    WarnEdit = NamedEdit(this, "WarnEdit", stored.warn);
    NextMinuteEdit = NamedEdit(this, "NextMinuteEdit", stored.nextMinute);
    HangUpAtBox = new QCheckBox(Own(kTextHangUpAtLabel), this);
    HangUpAtBox->setObjectName(QStringLiteral("HangUpAtBox"));
    HangUpAtBox->setChecked(stored.hangUpAt);
    HangUpEdit = NamedEdit(this, "HangUpEdit", stored.hangUp);
    // A command shows whole up to a width a screen has room for; its tip holds it always.
    HangUpEdit->setMinimumWidth(
        std::min(HangUpEdit->fontMetrics().horizontalAdvance(stored.hangUp) + 16, 560));
    HangUpEdit->setToolTip(stored.hangUp);
    HolidaysBox = new QComboBox(this);
    HolidaysBox->setObjectName(QStringLiteral("HolidaysBox"));
    HolidaysBox->addItem(Own(kTextNoCountry), QString());
    HolidaysBox->addItem(Own(kTextFinland), QStringLiteral("FI"));
    HolidaysBox->addItem(Own(kTextSweden), QStringLiteral("SE"));
    HolidaysBox->setCurrentIndex(static_cast<int>(HolidayCalendarFromText(stored.holidays)));
    DatesEdit = NamedEdit(this, "DatesEdit", stored.dates);

    auto* form = new QFormLayout;
    form->addRow(Own(kTextStartDayLabel), StartDayEdit);
    form->addRow(Own(kTextBudgetLabel), BudgetEdit);
    form->addRow(Own(kTextWarnLabel), WarnEdit);
    form->addRow(Own(kTextNextMinuteLabel), NextMinuteEdit);
    form->addRow(HangUpAtBox);
    form->addRow(Own(kTextHangUpLabel), HangUpEdit);
    form->addRow(Own(kTextHolidaysLabel), HolidaysBox);
    form->addRow(Own(kTextDatesLabel), DatesEdit);

    const OkCancelRow buttons = AddOkCancel(this);
    OkButton = buttons.ok;
    CancelButton = buttons.cancel;

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons.row);
    connect(OkButton, &QPushButton::clicked, this, &TBudgetDlg::OkClick);
    CentreOnScreen(this, QSize(520, 300));
}

void TBudgetDlg::OkClick() {
    BillingEntries entries;
    entries.startDay = StartDayEdit->text();
    entries.budget = BudgetEdit->text();
    entries.warn = WarnEdit->text();
    entries.nextMinute = NextMinuteEdit->text();
    entries.hangUpAt = HangUpAtBox->isChecked();
    entries.hangUp = HangUpEdit->text();
    entries.holidays = HolidaysBox->currentData().toString();
    entries.dates = DatesEdit->text();

    BillingSettings settings;
    QString bad;
    const BillingEntryError error = CheckBillingEntries(entries, &settings, &bad);
    if (error != BillingEntryError::None) {
        struct Field {
            QWidget* widget;
            QString text;
        };
        Field field{HolidaysBox, QString()};
        switch (error) {
            case BillingEntryError::StartDay:
                field = {StartDayEdit, Own(kTextBadStartDay)};
                break;
            case BillingEntryError::Budget:
                field = {BudgetEdit, Own(kTextBadBudget)};
                break;
            case BillingEntryError::Warn:
                field = {WarnEdit, Own(kTextBadWarn).arg(bad)};
                break;
            case BillingEntryError::NextMinute:
                field = {NextMinuteEdit, Own(kTextBadNextMinute)};
                break;
            case BillingEntryError::HangUp:
                field = {HangUpEdit, Own(kTextBadHangUp)};
                break;
            case BillingEntryError::HangUpCharacters:
                field = {HangUpEdit, Own(kTextHangUpNotStorable).arg(bad)};
                break;
            case BillingEntryError::Dates:
                field = {DatesEdit, Own(kTextBadDates).arg(bad)};
                break;
            case BillingEntryError::Holidays:
            case BillingEntryError::None:
                break;  // the list offers only what the check takes
        }
        RefuseEntry(this, field.widget, field.text);
        return;
    }
    int writeError = 0;
    if (!WriteBillingSettings(settings, &writeError)) {
        ShowSettingNotSaved(this, writeError);
        return;  // open still: the entries are kept for another try
    }
    accept();
}

}  // namespace vindelor
