#include "dialogs/dialogparts.h"

#include "core/numbers.h"
#include "core/texts.h"
#include "platform/datadir.h"
#include "platform/errortext.h"
#include "platform/services.h"

#include <QBoxLayout>
#include <QDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

#include <cerrno>

namespace vindelor {

QPushButton* NamedButton(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QLineEdit* NamedEdit(QWidget* parent, const char* name, const QString& text) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

OkCancelRow AddOkCancel(QDialog* page) {
    OkCancelRow buttons;
    buttons.row = new QHBoxLayout;
    buttons.row->addStretch();
    buttons.ok = NamedButton(page, "OkButton", QStringLiteral("&Ok"));
    buttons.ok->setDefault(true);
    buttons.cancel = NamedButton(page, "CancelButton", Text(18));
    buttons.row->addWidget(buttons.ok);
    buttons.row->addWidget(buttons.cancel);
    QObject::connect(buttons.cancel, &QPushButton::clicked, page, &QDialog::reject);
    return buttons;
}

void RefuseEntry(QWidget* page, QWidget* field, const QString& why) {
    platform::Boxes().Show(page, QStringLiteral("Vindelor"),
                           why + QStringLiteral("\n\n") + Text(kOwnTextBase + kTextNothingStored),
                           platform::MessageBoxes::Icon::Warning,
                           platform::MessageBoxes::Buttons::Ok);
    field->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(field)) {
        edit->selectAll();
    }
}

OkCancelHelp AddOkCancelHelp(QWidget* parent, QBoxLayout* row, const QString& okText) {
    OkCancelHelp buttons;
    buttons.ok = NamedButton(parent, "BitBtn1", okText);
    buttons.ok->setDefault(true);
    buttons.cancel = NamedButton(parent, "BitBtn2");
    buttons.help = NamedButton(parent, "BitBtn3");
    row->addWidget(buttons.ok);
    row->addWidget(buttons.cancel);
    row->addWidget(buttons.help);
    return buttons;
}

void CentreOnScreen(QWidget* dialog, const QSize& designSize) {
    dialog->resize(designSize.expandedTo(dialog->sizeHint()));
    dialog->setFixedSize(dialog->size());
    const QWidget* opener = dialog->parentWidget();
    if (QScreen* screen = opener ? opener->screen() : QGuiApplication::primaryScreen()) {
        dialog->move(screen->availableGeometry().center() - dialog->rect().center());
    }
}

QString StoredEntry(const QString& typed, int value, int storedChars) {
    const QString kept = typed.left(storedChars);
    if (LeadingWholeNumber(kept) == value && LeadingWholeNumber(kept.trimmed()) == value &&
        LeadingWholeNumber(typed.trimmed().left(storedChars)) == value) {
        return typed;
    }
    return QString::number(value);
}

void ShowSettingNotSaved(QWidget* parent, int error) {
    platform::Boxes().Show(
        parent, QStringLiteral("Vindelor"),
        Text(kOwnTextBase + kTextSettingNotSaved)
            .arg(platform::DataDirectory(), platform::ErrorText(error != 0 ? error : EIO)),
        platform::MessageBoxes::Icon::Error, platform::MessageBoxes::Buttons::Ok);
}

}  // namespace vindelor
