#include "converter/commandline.h"

#include "converter/tuneup.h"
#include "core/plans.h"
#include "core/texts.h"
#include "core/version.h"

#include <QTextStream>

namespace vindelor::ristola {
namespace {

constexpr int kExitUsage = 2;
constexpr int kExitFailed = 1;

// One of our texts in all three languages, one to a line, as the window shows them.
QString InEveryLanguage(int text, const QString& arg) {
    QStringList lines;
    for (const int offset : {kEnglishOffset, kSwedishOffset, kFinnishOffset}) {
        lines << QStringLiteral("ristola: ") + LoadText(kOwnTextBase + text + offset).arg(arg);
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

QString UsageText() {
    return QStringLiteral(
        "Usage: ristola [--plan NAME] [--yes | --help | --version]\n"
        "Brings a Vindelor session log written before 1.12 to the current line form.\n"
        "  (no option)  show the window; its Yes button runs the tune-up\n"
        "  --yes        run the tune-up without the window and print the outcome\n"
        "  --plan NAME  tune up the log of the plan NAME instead of the default plan's\n"
        "  --help       show this text\n"
        "  --version    show the version\n"
        "Run it only once, before version 1.12 writes its first log line.\n"
        "\n"
        "Användning: ristola [--plan NAMN] [--yes | --help | --version]\n"
        "Uppdaterar en Vindelor-logg skriven före version 1.12 till den nuvarande radformen.\n"
        "  (inget val)  visa fönstret; knappen Ja kör uppdateringen\n"
        "  --yes        kör uppdateringen utan fönster och skriv ut resultatet\n"
        "  --plan NAMN  uppdatera loggen för abonnemanget NAMN i stället för standardloggen\n"
        "  --help       visa denna text\n"
        "  --version    visa versionen\n"
        "Kör programmet bara en gång, innan version 1.12 skriver sin första loggrad.\n"
        "\n"
        "Käyttö: ristola [--plan NIMI] [--yes | --help | --version]\n"
        "Päivittää ennen versiota 1.12 kirjoitetun Vindelor-lokin nykyiseen rivimuotoon.\n"
        "  (ei valintaa)  näytä ikkuna; Kyllä-painike käynnistää päivityksen\n"
        "  --yes          tee päivitys ilman ikkunaa ja tulosta tulos\n"
        "  --plan NIMI    päivitä liittymän NIMI loki oletusliittymän lokin sijaan\n"
        "  --help         näytä tämä teksti\n"
        "  --version      näytä versio\n"
        "Aja ohjelma vain kerran, ennen kuin versio 1.12 kirjoittaa ensimmäisen lokirivinsä.\n");
}

int RunCommandLine(const QStringList& given, QTextStream& out, QTextStream& err) {
    if (given.isEmpty()) {
        return -1;
    }
    // The plan goes first, before anything reads a file.
    QStringList args = given;
    if (const PlanOption plan = TakePlanOption(&args); plan.given) {
        switch (plan.valueMissing ? PlanOpening::BadName
                                  : OpenPlan(plan.name, MakeMissingPlan::No)) {
            case PlanOpening::Opened:
            case PlanOpening::Created:
                break;
            case PlanOpening::Missing:
                err << InEveryLanguage(kTextNoSuchPlan, plan.name) << '\n';
                return kExitUsage;
            case PlanOpening::BadName:
            case PlanOpening::NotMade:
                err << InEveryLanguage(kTextBadPlanName, plan.name) << "\n\n" << UsageText();
                return kExitUsage;
        }
        if (args.isEmpty()) {
            return -1;  // the plan's window
        }
    }
    const QString& option = args.first();
    if (args.size() == 1 && (option == QLatin1String("--help") || option == QLatin1String("-h"))) {
        out << UsageText();
        return 0;
    }
    if (args.size() == 1 && option == QLatin1String("--version")) {
        out << "ristola " << VINDELOR_DISPLAY_VERSION << '\n';
        return 0;
    }
    if (args.size() != 1 || option != QLatin1String("--yes")) {
        const QString given = args.join(QLatin1Char(' '));
        err << QStringLiteral(
                   "ristola: unknown option %1 !  okänt val %1 !  tuntematon valinta %1 !")
                   .arg(given)
            << "\n\n"
            << UsageText();
        return kExitUsage;
    }
    const TuneUpOutcome outcome = RunTuneUp();
    QTextStream& stream = outcome == TuneUpOutcome::WriteFailed ? err : out;
    stream << OutcomeMessage(outcome) << '\n';
    return outcome == TuneUpOutcome::WriteFailed ? kExitFailed : 0;
}

}  // namespace vindelor::ristola
