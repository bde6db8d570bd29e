#include "dialogs/plansdlg.h"

#include "core/plans.h"
#include "core/texts.h"
#include "dialogs/dialogparts.h"
#include "platform/datadir.h"
#include "platform/errortext.h"
#include "platform/services.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cerrno>

namespace vindelor {

namespace {

QString Own(int n) {
    return Text(kOwnTextBase + n);
}

bool AskWithInputDialog(QWidget* parent, const QString& current, QString* name) {
    bool ok = false;
    *name = QInputDialog::getText(parent, Own(kTextPlansPage), Own(kTextPlanNamePrompt),
                                  QLineEdit::Normal, current, &ok)
                .trimmed();
    return ok;
}

}  // namespace

QString PlanLinkText(const QString& plan) {
    const PlanLink link = LinkOfPlan(plan);
    const auto labelled = [&link](int label) {
        return link.name.isEmpty() ? Own(label) : Own(label) + QStringLiteral(": ") + link.name;
    };
    switch (link.kind) {
        case PlanLink::Kind::Sim:
            return QStringLiteral("SIM ") + link.name;
        case PlanLink::Kind::NetworkManager:
            return labelled(kTextWatchNetworkManager);
        case PlanLink::Kind::Modem:
            return link.name.compare(QLatin1String("any"), Qt::CaseInsensitive) == 0
                       ? Own(kTextWatchModem) + QStringLiteral(": ") + Own(kTextAnyModem)
                       : labelled(kTextWatchModem);
        case PlanLink::Kind::Interface:
            return labelled(kTextWatchInterface);
        case PlanLink::Kind::SerialPort:
            break;
    }
    return labelled(kTextWatchSerialPort);
}

TPlansDlg::TPlansDlg(QWidget* parent) : QDialog(parent), AskName(AskWithInputDialog) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(Own(kTextPlansPage));

    List = new QTreeWidget(this);
    List->setObjectName(QStringLiteral("List"));
    List->setRootIsDecorated(false);
    List->setHeaderLabels(Own(kTextPlanColumns).split(QLatin1Char('\t')));
    List->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    connect(List, &QTreeWidget::currentItemChanged, this, &TPlansDlg::FollowChoice);

    const QStringList labels = Own(kTextPlanButtons).split(QLatin1Char('\t'));
    NewButton = NamedButton(this, "NewButton", labels.value(0));
    RenameButton = NamedButton(this, "RenameButton", labels.value(1));
    DeleteButton = NamedButton(this, "DeleteButton", labels.value(2));
    CloseButton = NamedButton(this, "CloseButton", QStringLiteral("OK"));
    CloseButton->setDefault(true);
    connect(NewButton, &QPushButton::clicked, this, &TPlansDlg::NewClick);
    connect(RenameButton, &QPushButton::clicked, this, &TPlansDlg::RenameClick);
    connect(DeleteButton, &QPushButton::clicked, this, &TPlansDlg::DeleteClick);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(List);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(NewButton);
    buttons->addWidget(RenameButton);
    buttons->addWidget(DeleteButton);
    buttons->addStretch();
    buttons->addWidget(CloseButton);
    layout->addLayout(buttons);

    Fill();
    CentreOnScreen(this, QSize(460, 300));
}

void TPlansDlg::Fill() {
    const QString chosen = List->currentItem() != nullptr
                               ? List->currentItem()->data(0, Qt::UserRole).toString()
                               : platform::SelectedPlan();
    List->clear();
    for (const QString& plan : AllPlans()) {
        auto* row = new QTreeWidgetItem(
            List, {plan.isEmpty() ? Own(kTextDefaultPlan) : plan, PlanLinkText(plan)});
        row->setData(0, Qt::UserRole, plan);
        if (plan == chosen) {
            List->setCurrentItem(row);
        }
    }
    if (List->currentItem() == nullptr) {
        List->setCurrentItem(List->topLevelItem(0));
    }
    FollowChoice();
}

void TPlansDlg::FollowChoice() {
    const QTreeWidgetItem* row = List->currentItem();
    const bool other = row != nullptr && !row->data(0, Qt::UserRole).toString().isEmpty();
    RenameButton->setEnabled(other);
    DeleteButton->setEnabled(other);
}

void TPlansDlg::Say(const QString& text) {
    platform::Boxes().Show(this, QStringLiteral("Vindelor"), text,
                           platform::MessageBoxes::Icon::Warning,
                           platform::MessageBoxes::Buttons::Ok);
}

bool TPlansDlg::ChosenMovablePlan(QString* plan) {
    const QTreeWidgetItem* row = List->currentItem();
    *plan = row != nullptr ? row->data(0, Qt::UserRole).toString() : QString();
    if (plan->isEmpty()) {
        return false;  // the default plan is the data directory itself
    }
    if (*plan == platform::SelectedPlan() || PlanInUse(*plan)) {
        Say(Own(kTextPlanInUse).arg(*plan));
        return false;
    }
    return true;
}

void TPlansDlg::NewClick() {
    QString name;
    if (!AskName(this, QString(), &name) || name.isEmpty()) {
        return;
    }
    if (!platform::IsValidPlanName(name)) {
        Say(Own(kTextBadPlanName).arg(name));
        return;
    }
    if (const int error = CreatePlan(name); error != 0) {
        Say(error == EEXIST ? Own(kTextPlanNameTaken).arg(name)
                            : Own(kTextPlanNotMade).arg(name, platform::ErrorText(error)));
        return;
    }
    Fill();
    const QList<QTreeWidgetItem*> made = List->findItems(name, Qt::MatchExactly, 0);
    if (!made.isEmpty()) {
        List->setCurrentItem(made.first());
    }
}

void TPlansDlg::RenameClick() {
    QString plan;
    if (!ChosenMovablePlan(&plan)) {
        return;
    }
    QString name;
    if (!AskName(this, plan, &name) || name.isEmpty() || name == plan) {
        return;
    }
    if (!platform::IsValidPlanName(name)) {
        Say(Own(kTextBadPlanName).arg(name));
        return;
    }
    if (const int error = RenamePlan(plan, name); error != 0) {
        Say(error == EEXIST ? Own(kTextPlanNameTaken).arg(name)
                            : Own(kTextPlansNotChanged).arg(platform::ErrorText(error)));
        return;
    }
    Fill();
}

void TPlansDlg::DeleteClick() {
    QString plan;
    if (!ChosenMovablePlan(&plan)) {
        return;
    }
    const QDate today = platform::Clock().Now().date();
    const QString aside =
        QStringLiteral("plans/.deleted-%1-%2").arg(today.toString(Qt::ISODate), plan);
    if (platform::Boxes().Show(
            this, QStringLiteral("Vindelor"), Own(kTextDeletePlanQuestion).arg(plan, aside),
            platform::MessageBoxes::Icon::Question,
            platform::MessageBoxes::Buttons::YesNo) != platform::MessageBoxes::Answer::Yes) {
        return;
    }
    int error = 0;
    if (PutPlanAside(plan, today, &error).isEmpty()) {
        Say(Own(kTextPlansNotChanged).arg(platform::ErrorText(error)));
        return;
    }
    Fill();
}

}  // namespace vindelor
