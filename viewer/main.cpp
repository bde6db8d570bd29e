// brusko: the Vindelor log viewer. Without options it is the window; see --help for the
// command line.
#include "dialogs/helpresources.h"
#include "platform/localetexts.h"
#include "platform/sessionbus.h"
#include "viewer/commandline.h"
#include "viewer/mainform.h"

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
            code = vindelor::brusko::RunCommandLine(app.arguments().mid(1), out, err);
        }
        if (code != -1) {
            return code;
        }
        // Only a plan was named: its window.
    }
    vindelor::platform::AvoidASilentSessionBus("brusko");
    QApplication app(argc, argv);
    vindelor::platform::KeepClassicNumbers();
    vindelor::InitHelpResources();
    vindelor::brusko::TForm1 form;
    form.show();
    return app.exec();
}
