#include "dialogs/roamingdlg.h"

#include "core/roamingtariff.h"
#include "core/texts.h"
#include "dialogs/dialogparts.h"

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

TRoamingDlg::TRoamingDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("RoamingDlg"));
    setWindowTitle(Own(kTextRoamingPage));
    const RoamingEntries stored = ReadRoamingEntries();

    PerMBEdit = NamedEdit(this, "PerMBEdit", stored.perMB);
    IncludedEdit = NamedEdit(this, "IncludedEdit", stored.included);
    UnitEdit = NamedEdit(this, "UnitEdit", stored.unit);
    HangUpAtEdit = NamedEdit(this, "HangUpAtEdit", stored.hangUpAt);
    WarnEdit = NamedEdit(this, "WarnEdit", stored.warn);
    PerMinEdit = NamedEdit(this, "PerMinEdit", stored.perMinute);

    auto* explained = new QLabel(Own(kTextRoamingExplained), this);
    explained->setWordWrap(true);
    auto* form = new QFormLayout;
    form->addRow(Own(kTextRoamingPerMBLabel), PerMBEdit);
    form->addRow(Own(kTextRoamingPerMinLabel), PerMinEdit);
    form->addRow(Own(kTextRoamingIncludedLabel), IncludedEdit);
    form->addRow(Own(kTextUnitLabel), UnitEdit);
    form->addRow(Own(kTextRoamingHangUpAtLabel), HangUpAtEdit);
    form->addRow(Own(kTextRoamingWarnLabel), WarnEdit);

    const OkCancelRow buttons = AddOkCancel(this);
    OkButton = buttons.ok;
    CancelButton = buttons.cancel;

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explained);
    layout->addLayout(form);
    layout->addLayout(buttons.row);
    connect(OkButton, &QPushButton::clicked, this, &TRoamingDlg::OkClick);
    CentreOnScreen(this, QSize(560, 290));
}

void TRoamingDlg::OkClick() {
    const RoamingEntries entries{PerMBEdit->text(),    IncludedEdit->text(), UnitEdit->text(),
                                 HangUpAtEdit->text(), WarnEdit->text(),     PerMinEdit->text()};
    RoamingTariff tariff;
    QString bad;
    const RoamingEntryError error = CheckRoamingEntries(entries, &tariff, &bad);
    if (error != RoamingEntryError::None) {
        struct Field {
            QWidget* widget;
            QString text;
        };
        Field field{PerMBEdit, Own(kTextBadPerMB)};
        switch (error) {
            case RoamingEntryError::Included:
                field = {IncludedEdit, Own(kTextBadIncluded)};
                break;
            case RoamingEntryError::Unit:
                field = {UnitEdit, Own(kTextBadUnit)};
                break;
            case RoamingEntryError::HangUpAt:
                field = {HangUpAtEdit, Own(kTextBadRoamingHangUpAt)};
                break;
            case RoamingEntryError::Warn:
                field = {WarnEdit, Own(kTextBadRoamingWarn).arg(bad)};
                break;
            case RoamingEntryError::PerMin:
                field = {PerMinEdit, Own(kTextBadRoamingPerMin)};
                break;
            case RoamingEntryError::PerMB:
            case RoamingEntryError::None:
                break;
        }
        RefuseEntry(this, field.widget, field.text);
        return;
    }
    int writeError = 0;
    if (!WriteRoamingTariff(tariff, &writeError)) {
        ShowSettingNotSaved(this, writeError);
        return;  // open still: the entries are kept for another try
    }
    accept();
}

}  // namespace vindelor
