// ristola: the one-shot tune-up of a session log written before 1.12.
//   ristola           the window; Yes runs the conversion
//   ristola --yes     runs the conversion without the window and prints the message
#include "converter/ristolaform.h"
#include "converter/tuneup.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <cstring>

namespace {

void PrintUsage(std::FILE* out) {
    std::fputs(
        "Usage: ristola [--yes | --help | --version]\n"
        "Brings a Vindelor session log written before 1.12 to the current line form.\n"
        "\n"
        "  (no option)  show the window; its Yes button runs the tune-up\n"
        "  --yes        run the tune-up without the window and print the outcome\n"
        "  --help       show this text\n"
        "  --version    show the version\n"
        "\n"
        "Run it only once, before version 1.12 writes its first log line.\n",
        out);
}

}  // namespace

int main(int argc, char** argv) {
    using vindelor::ristola::TuneUpOutcome;
    if (argc > 2) {
        PrintUsage(stderr);
        return 2;
    }
    if (argc == 2) {
        if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
            PrintUsage(stdout);
            return 0;
        }
        if (std::strcmp(argv[1], "--version") == 0) {
            std::printf("ristola %s\n", VINDELOR_VERSION);
            return 0;
        }
        if (std::strcmp(argv[1], "--yes") != 0) {
            std::fprintf(stderr, "ristola: unknown option %s\n", argv[1]);
            PrintUsage(stderr);
            return 2;
        }
        QCoreApplication app(argc, argv);
        const TuneUpOutcome outcome = vindelor::ristola::RunTuneUp();
        const QByteArray message = vindelor::ristola::OutcomeMessage(outcome).toUtf8();
        std::fprintf(outcome == TuneUpOutcome::WriteFailed ? stderr : stdout, "%s\n",
                     message.constData());
        return outcome == TuneUpOutcome::WriteFailed ? 1 : 0;
    }

    QApplication app(argc, argv);
    vindelor::ristola::TForm1 form;
    form.show();
    const int rc = app.exec();
    return form.LastOutcome() == TuneUpOutcome::WriteFailed ? 1 : rc;
}
