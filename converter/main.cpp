// ristola: the one-shot tune-up of a session log written before 1.12.
//   ristola           the window; Yes runs the conversion
//   ristola --yes     runs the conversion without the window and prints the message
#include "converter/commandline.h"
#include "converter/ristolaform.h"
#include "converter/tuneup.h"
#include "core/language.h"
#include "core/qtlanguage.h"
#include "core/texts.h"
#include "platform/localetexts.h"
#include "platform/sessionbus.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc > 1) {
        int code = -1;
        {
            QCoreApplication app(argc, argv);
            vindelor::platform::KeepClassicNumbers();
            QTextStream out(stdout);
            QTextStream err(stderr);
            code = vindelor::ristola::RunCommandLine(app.arguments().mid(1), out, err);
        }
        if (code != -1) {
            return code;
        }
        // Only a plan was named: its window.
    }
    vindelor::platform::AvoidASilentSessionBus("ristola");
    QApplication app(argc, argv);
    vindelor::platform::KeepClassicNumbers();
    // Ristola's own words are in all three languages at once; Qt's buttons (its Yes, the
    // message's OK) speak the one the programs speak.
    vindelor::SelectLanguage(vindelor::ProgramLanguage(5, vindelor::StoreLanguage::No));
    vindelor::FollowLanguageInQt();
    vindelor::ristola::TForm1 form;
    form.show();
    const int rc = app.exec();
    return form.LastOutcome() == vindelor::ristola::TuneUpOutcome::WriteFailed ? 1 : rc;
}
