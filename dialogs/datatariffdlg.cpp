#include "dialogs/datatariffdlg.h"

#include "core/datatariff.h"
#include "core/texts.h"
#include "dialogs/dialogparts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vindelor {
namespace {

QString Own(int n) {
    return Text(kOwnTextBase + n);
}

}  // namespace

TDataTariffDlg::TDataTariffDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("DataTariffDlg"));
    setWindowTitle(Own(kTextDataPage));
    const DataEntries stored = ReadDataEntries();

    PerMBEdit = NamedEdit(this, "PerMBEdit", stored.perMB);
    IncludedEdit = NamedEdit(this, "IncludedEdit", stored.included);
    DayFeeEdit = NamedEdit(this, "DayFeeEdit", stored.dayFee);
    InterfaceEdit = NamedEdit(this, "InterfaceEdit", stored.interfaceName);
    DataWarnEdit = NamedEdit(this, "DataWarnEdit", stored.warn);
    DataHangUpAtBox = new QCheckBox(Own(kTextDataHangUpAtLabel), this);
    DataHangUpAtBox->setObjectName(QStringLiteral("DataHangUpAtBox"));
    DataHangUpAtBox->setChecked(stored.hangUpAt);
    UnitEdit = NamedEdit(this, "UnitEdit", stored.unit);
    MeteredBox = new QComboBox(this);
    MeteredBox->setObjectName(QStringLiteral("MeteredBox"));
    // In the order of MeteredMark.
    MeteredBox->addItems(
        {Own(kTextMeteredOff), Own(kTextMeteredAlways), Own(kTextMeteredFromWarning)});
    MeteredBox->setCurrentIndex(static_cast<int>(stored.metered));

    auto* explained = new QLabel(Own(kTextDataExplained), this);
    explained->setWordWrap(true);
    auto* form = new QFormLayout;
    form->addRow(Own(kTextPerMBLabel), PerMBEdit);
    form->addRow(Own(kTextIncludedLabel), IncludedEdit);
    form->addRow(Own(kTextDayFeeLabel), DayFeeEdit);
    form->addRow(Own(kTextUnitLabel), UnitEdit);
    form->addRow(Own(kTextDataInterfaceLabel), InterfaceEdit);
    form->addRow(Own(kTextDataWarnLabel), DataWarnEdit);
    form->addRow(DataHangUpAtBox);
    form->addRow(Own(kTextMeteredLabel), MeteredBox);

    const OkCancelRow buttons = AddOkCancel(this);
    OkButton = buttons.ok;
    CancelButton = buttons.cancel;

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explained);
    layout->addLayout(form);
    layout->addLayout(buttons.row);
    connect(OkButton, &QPushButton::clicked, this, &TDataTariffDlg::OkClick);
    CentreOnScreen(this, QSize(560, 310));
}

void TDataTariffDlg::OkClick() {
    DataEntries entries;
    entries.perMB = PerMBEdit->text();
    entries.included = IncludedEdit->text();
    entries.dayFee = DayFeeEdit->text();
    entries.interfaceName = InterfaceEdit->text();
    entries.warn = DataWarnEdit->text();
    entries.hangUpAt = DataHangUpAtBox->isChecked();
    entries.unit = UnitEdit->text();
    entries.metered = static_cast<MeteredMark>(MeteredBox->currentIndex());

    DataTariff tariff;
    QString bad;
    const DataEntryError error = CheckDataEntries(entries, &tariff, &bad);
    if (error != DataEntryError::None) {
        struct Field {
            QWidget* widget;
            QString text;
        };
        Field field{PerMBEdit, Own(kTextBadPerMB)};
        switch (error) {
            case DataEntryError::Included:
                field = {IncludedEdit, Own(kTextBadIncluded)};
                break;
            case DataEntryError::DayFee:
                field = {DayFeeEdit, Own(kTextBadDayFee)};
                break;
            case DataEntryError::Interface:
                field = {InterfaceEdit, Own(kTextBadDataInterface)};
                break;
            case DataEntryError::Warn:
                field = {DataWarnEdit, Own(kTextBadDataWarn).arg(bad)};
                break;
            case DataEntryError::HangUpAt:
                field = {DataHangUpAtBox, Own(kTextBadDataHangUpAt)};
                break;
            case DataEntryError::Unit:
                field = {UnitEdit, Own(kTextBadUnit)};
                break;
            case DataEntryError::PerMB:
            case DataEntryError::None:
                break;
        }
        RefuseEntry(this, field.widget, field.text);
        return;
    }
    int writeError = 0;
    if (!WriteDataTariff(tariff, &writeError)) {
        ShowSettingNotSaved(this, writeError);
        return;  // open still: the entries are kept for another try
    }
    accept();
}

}  // namespace vindelor
