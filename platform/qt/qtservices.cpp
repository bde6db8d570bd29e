#include "platform/qt/qtservices.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace vindelor::platform {
namespace {

class QtMessageBoxes : public MessageBoxes {
  public:
    Answer Show(QWidget* parent, const QString& caption, const QString& text, Icon icon,
                Buttons buttons) override {
        // A window manager keeps a box with its owner: one owned by a minimised or hidden
        // window (the question asked from the status icon) would not be seen.
        QWidget* owner = parent ? parent->window() : nullptr;
        if (owner && (owner->isMinimized() || !owner->isVisible())) {
            parent = nullptr;
        }
        QMessageBox box(parent);
        box.setWindowTitle(caption.isEmpty() ? QApplication::applicationName() : caption);
        box.setText(text);
        switch (icon) {
            case Icon::None:
                box.setIcon(QMessageBox::NoIcon);
                break;
            case Icon::Information:
                box.setIcon(QMessageBox::Information);
                break;
            case Icon::Warning:
                box.setIcon(QMessageBox::Warning);
                break;
            case Icon::Error:
                box.setIcon(QMessageBox::Critical);
                break;
            case Icon::Question:
                box.setIcon(QMessageBox::Question);
                break;
        }
        // Qt's standard buttons take their captions from the translator in force, so a
        // Finnish or Swedish user reads Kyllä/Ei or Ja/Nej, as in Qt's own dialogs.
        switch (buttons) {
            case Buttons::Ok:
                box.setStandardButtons(QMessageBox::Ok);
                box.setDefaultButton(QMessageBox::Ok);
                break;
            case Buttons::YesNo:
                box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
                box.setDefaultButton(QMessageBox::Yes);
                break;
            case Buttons::NoOk:
                box.setStandardButtons(QMessageBox::No | QMessageBox::Ok);
                box.setDefaultButton(QMessageBox::No);
                break;
        }
        // Asked from the status icon's menu, the box has no window of ours in front to
        // take the focus from: it takes it itself, so that Enter answers it.
        QTimer::singleShot(0, &box, [&box] {
            box.raise();
            box.activateWindow();
        });
        box.exec();
        switch (box.standardButton(box.clickedButton())) {
            case QMessageBox::Yes:
                return Answer::Yes;
            case QMessageBox::No:
                return Answer::No;
            case QMessageBox::Ok:
                return Answer::Ok;
            default:
                return Answer::Cancel;
        }
    }

    void Beep() override { QApplication::beep(); }
};

// The help file's name starts with the language code ("SVindelor", "SFVindelor",
// "UKVindelor"): the few words the viewer shows itself follow it.
struct HelpWords {
    const char* missing;
    const char* close;
};

HelpWords WordsFor(const QString& helpFile) {
    if (helpFile.startsWith(QLatin1String("SF"))) {
        return {"Ohjetiedosto \"%1\" puuttuu.", "Sulje"};
    }
    if (helpFile.startsWith(QLatin1String("S"))) {
        return {"Hjälpfilen \"%1\" saknas.", "Stäng"};
    }
    return {"The help file \"%1\" is missing.", "Close"};
}

// Help opens in a window of our own at the topic's anchor, so it works offline and
// without a web browser. Help files are compiled into the program as resources.
class QtHelpViewer : public HelpViewer {
  public:
    bool ShowHelp(QWidget* parent, const QString& helpFile, int context) override {
        const QString path = QStringLiteral(":/help/%1.html").arg(helpFile);
        const HelpWords words = WordsFor(helpFile);
        if (!QFile::exists(path)) {
            QtMessageBoxesInstance().Show(parent, QApplication::applicationName(),
                                          QString::fromUtf8(words.missing).arg(helpFile),
                                          MessageBoxes::Icon::Error, MessageBoxes::Buttons::Ok);
            return false;
        }
        auto* dialog = new QDialog(parent);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowTitle(helpFile);
        dialog->resize(640, 520);
        auto* layout = new QVBoxLayout(dialog);
        auto* browser = new QTextBrowser(dialog);
        browser->setObjectName(QStringLiteral("HelpBrowser"));
        browser->setOpenExternalLinks(false);
        QUrl url(QStringLiteral("qrc") + path);
        url.setFragment(QStringLiteral("context-%1").arg(context));
        browser->setSource(url);
        layout->addWidget(browser);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
        buttons->button(QDialogButtonBox::Close)->setText(QString::fromUtf8(words.close));
        QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
        layout->addWidget(buttons);
        dialog->show();
        return true;
    }
};

}  // namespace

MessageBoxes& QtMessageBoxesInstance() {
    static QtMessageBoxes boxes;
    return boxes;
}

HelpViewer& QtHelpViewerInstance() {
    static QtHelpViewer viewer;
    return viewer;
}

}  // namespace vindelor::platform
