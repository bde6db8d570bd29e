#include "shared/ui/datatariffdlg.h"

#include "platform/services.h"
#include "shared/datatariff.h"
#include "shared/texts.h"
#include "shared/ui/dialogparts.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vindelor {
namespace {

QString Own(int n) {
    return Text(kOwnTextBase + n);
}

QLineEdit* NamedEdit(QWidget* parent, const char* name, const QString& text) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
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

    auto* explained = new QLabel(Own(kTextDataExplained), this);
    explained->setWordWrap(true);
    auto* form = new QFormLayout;
    form->addRow(Own(kTextPerMBLabel), PerMBEdit);
    form->addRow(Own(kTextIncludedLabel), IncludedEdit);
    form->addRow(Own(kTextDayFeeLabel), DayFeeEdit);
    form->addRow(Own(kTextDataInterfaceLabel), InterfaceEdit);
    form->addRow(Own(kTextDataWarnLabel), DataWarnEdit);
    form->addRow(DataHangUpAtBox);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    OkButton = NamedButton(this, "OkButton", QStringLiteral("&Ok"));
    OkButton->setDefault(true);
    CancelButton = NamedButton(this, "CancelButton", Text(18));
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explained);
    layout->addLayout(form);
    layout->addLayout(buttons);
    connect(OkButton, &QPushButton::clicked, this, &TDataTariffDlg::OkClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    CentreOnScreen(this, QSize(560, 280));
}

void TDataTariffDlg::OkClick() {
    DataEntries entries;
    entries.perMB = PerMBEdit->text();
    entries.included = IncludedEdit->text();
    entries.dayFee = DayFeeEdit->text();
    entries.interfaceName = InterfaceEdit->text();
    entries.warn = DataWarnEdit->text();
    entries.hangUpAt = DataHangUpAtBox->isChecked();

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
            case DataEntryError::PerMB:
            case DataEntryError::None:
                break;
        }
        platform::Boxes().Show(this, QStringLiteral("Vindelor"),
                               field.text + QStringLiteral("\n\n") + Own(kTextNothingStored),
                               platform::MessageBoxes::Icon::Warning,
                               platform::MessageBoxes::Buttons::Ok);
        field.widget->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(field.widget)) {
            edit->selectAll();
        }
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
