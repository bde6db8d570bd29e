// The page "Plans": every plan with the link it watches, and New, Rename and Delete. A
// new plan starts from the default plan's settings (core/plans.h); Delete asks first and
// puts the folder aside under a dated name, so no log is destroyed. A plan that a
// Vindelor waits for or times, and the plan of this very window, keep their names.
// Reached from the settings dialog's right-click menu.
#pragma once

#include <QDialog>

#include <functional>

class QPushButton;
class QTreeWidget;

namespace vindelor {

class TPlansDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TPlansDlg(QWidget* parent = nullptr);

    void NewClick();
    void RenameClick();
    void DeleteClick();
    // Lists the plans again from the folders.
    void Fill();

    // Asks for a plan's name, `current` offered; false when the user cancelled. Tests
    // answer in its place.
    std::function<bool(QWidget* parent, const QString& current, QString* name)> AskName;

    QTreeWidget* List = nullptr;  // one row per plan: its name (data: "" for the default), link
    QPushButton* NewButton = nullptr;
    QPushButton* RenameButton = nullptr;
    QPushButton* DeleteButton = nullptr;
    QPushButton* CloseButton = nullptr;

  private:
    // The plan of the chosen row, when it may be renamed or deleted now; else says why
    // not and gives nothing.
    bool ChosenMovablePlan(QString* plan);
    void Say(const QString& text);
    void FollowChoice();
};

// How the page names a plan's link: "A connection of NetworkManager: Mobile", "SIM …".
QString PlanLinkText(const QString& plan);

}  // namespace vindelor
