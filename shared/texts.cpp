#include "shared/texts.h"

#include <algorithm>
#include <atomic>
#include <cstddef>

namespace vindelor {
namespace {

struct TextRow {
    int number;
    const char* swedish;
    const char* finnish;
    const char* english;
};

constexpr TextRow kTable[] = {
#include "shared/texttable.inc"
};
constexpr int kTableTexts = static_cast<int>(sizeof(kTable) / sizeof(kTable[0]));

// Texts the classic table never had, for what only this platform can go wrong with.
// Kept at 1000 + n + offset so they can never collide with the table's 1 … 999.
constexpr TextRow kOwnTexts[] = {
    {kTextPortUnusable,
     u8"Porten \"%1\" kunde inte användas (%2), så Vindelor kan inte se förbindelser på den.",
     u8"Porttia \"%1\" ei voitu käyttää (%2), joten Vindelor ei näe sen yhteyksiä.",
     u8"The port \"%1\" could not be used (%2), so Vindelor cannot see connections on it."},
    {kTextPortNoPermission,
     u8"Du har inte behörighet att använda \"%1\". Gå med i gruppen \"dialout\" (t.ex. "
     u8"sudo adduser $USER dialout) och logga sedan in på nytt.",
     u8"Sinulla ei ole oikeutta käyttää laitetta \"%1\". Liity ryhmään \"dialout\" (esim. "
     u8"sudo adduser $USER dialout) ja kirjaudu sitten uudelleen sisään.",
     u8"You have no permission to use \"%1\". Join the \"dialout\" group (for example "
     u8"sudo adduser $USER dialout) and log in again."},
    {kTextSessionNotSaved,
     u8"Vindelor kunde inte spara sessionen i \"%1\" (%2). Det som sparats tidigare är "
     u8"oförändrat. Inte sparat:\n%3",
     u8"Vindelor ei voinut tallentaa istuntoa kansioon \"%1\" (%2). Aiemmin tallennettu on "
     u8"ennallaan. Tallentamatta jäi:\n%3",
     u8"Vindelor could not save this session in \"%1\" (%2). What was saved before is "
     u8"unchanged. Not saved:\n%3"},
    {kTextUnsavedLogLine, u8"raden i loggen: %1", u8"lokin rivi: %1", u8"the log line: %1"},
    {kTextUnsavedCostTotal, u8"den totala kostnaden: %1", u8"kokonaiskustannus: %1",
     u8"the total cost: %1"},
    {kTextUnsavedNetTime, u8"den totala tiden på nätet: %1", u8"kokonaisaika verkossa: %1",
     u8"the total time on the net: %1"},
    {kTextUnsavedTries, u8"antalet misslyckade försök: %1",
     u8"epäonnistuneiden yritysten määrä: %1", u8"the number of failed tries: %1"},
    {kTextUnsavedActiveFlag,
     u8"att sessionen har slutat (tills dess tar Brusko inte bort rader ur loggen)",
     u8"istunnon päättyminen (sitä ennen Brusko ei poista lokin rivejä)",
     u8"that the session has ended (until then Brusko will not delete log lines)"},
    {kTextLogNotChanged, u8"Loggen ändrades inte: %1", u8"Lokia ei muutettu: %1",
     u8"The log was not changed: %1"},
    {kTextLinesDeleted, u8"%1 av %2 rader raderades.", u8"%2 rivistä poistettiin %1.",
     u8"Deleted %1 of %2 lines."},
    {kTextLinesKept, u8"%1 av de valda raderna hade ändrats i loggen under tiden och behölls.",
     u8"%1 valituista riveistä oli sillä välin muuttunut lokissa, ja ne säilytettiin.",
     u8"%1 of the chosen rows had changed in the log meanwhile and were kept."},
    {kTextFailedTries, u8"Misslyckade försök: %1", u8"Epäonnistuneet yritykset: %1",
     u8"Failed tries: %1"},
    {kTextNotARowList, u8"Inte ett radnummer eller ett intervall: \"%1\"",
     u8"Ei rivinumero eikä rivien väli: \"%1\"", u8"Not a row number or range: \"%1\""},
    {kTextRowNotListed, u8"Rad %1 finns inte i listan (rader 1 till %2).",
     u8"Riviä %1 ei ole luettelossa (rivit 1 - %2).",
     u8"Row %1 is not in the list (rows 1 to %2)."},
    {kTextUnknownOption, u8"Okänt val: %1", u8"Tuntematon valinta: %1", u8"Unknown option: %1"},
    {kTextViewerUsage,
     u8"Användning: brusko [--list | --delete RADER | --recalculate | --help | --version]\n"
     u8"Utan val öppnar Brusko sitt fönster.",
     u8"Käyttö: brusko [--list | --delete RIVIT | --recalculate | --help | --version]\n"
     u8"Ilman valintoja Brusko avaa ikkunansa.",
     u8"Usage: brusko [--list | --delete ROWS | --recalculate | --help | --version]\n"
     u8"Without options Brusko opens its window."},
    {kTextViewerOptions,
     u8"  --list          loggens rader och summorna\n"
     u8"  --delete RADER  radera rader så som --list numrerar dem, t.ex. 1,3-5\n"
     u8"  --recalculate   räkna om den totala kostnaden och misslyckade försök\n"
     u8"  --help, --version",
     u8"  --list          lokin rivit ja summat\n"
     u8"  --delete RIVIT  poista rivit --list-numeroinnin mukaan, esim. 1,3-5\n"
     u8"  --recalculate   laske kokonaiskustannus ja epäonnistuneet yritykset uudelleen\n"
     u8"  --help, --version",
     u8"  --list          the log's lines and the totals\n"
     u8"  --delete ROWS   delete rows as --list numbers them, e.g. 1,3-5\n"
     u8"  --recalculate   recount the total cost and the failed tries\n"
     u8"  --help, --version"},
    {kTextSettingNotSaved,
     u8"Vindelor kunde inte spara inställningen i \"%1\" (%2). Den förblir som den var.",
     u8"Vindelor ei voinut tallentaa asetusta kansioon \"%1\" (%2). Se pysyy ennallaan.",
     u8"Vindelor could not save the setting in \"%1\" (%2). It stays as it was."},
    {kTextAlreadyRunning,
     u8"Vindelor körs redan och räknar nästa förbindelse. Den här kopian avslutas.",
     u8"Vindelor on jo käynnissä ja laskee seuraavan yhteyden. Tämä kopio sulkeutuu.",
     u8"Vindelor is already running and will count the next connection. This copy ends."},
    {kTextTotalsNotSaved,
     u8"Summorna kunde inte sparas: %1. De sparade summorna stämmer inte med loggen förrän "
     u8"de räknas om.",
     u8"Summia ei voitu tallentaa: %1. Tallennetut summat eivät vastaa lokia, ennen kuin ne "
     u8"lasketaan uudelleen.",
     u8"The totals could not be saved: %1. The stored totals will not match the log until "
     u8"they are recounted."},
    {kTextInterfaceMissing,
     u8"Nätverksgränssnittet \"%1\" finns inte. Vindelor väntar tills det finns och är uppe.",
     u8"Verkkoliitäntää \"%1\" ei ole. Vindelor odottaa, kunnes se on olemassa ja käytössä.",
     u8"The network interface \"%1\" does not exist. Vindelor waits until it exists and is up."},
    {kTextInterfaceUnusable, u8"Nätverksgränssnittet \"%1\" kunde inte bevakas (%2).",
     u8"Verkkoliitäntää \"%1\" ei voitu seurata (%2).",
     u8"The network interface \"%1\" could not be watched (%2)."},
    {kTextConnectionMenu, u8"Bevakad förbindelse", u8"Seurattava yhteys", u8"Connection to watch"},
    {kTextWatchSerialPort, u8"Modemets serieport", u8"Modeemin sarjaportti",
     u8"The modem's serial port"},
    {kTextWatchInterface, u8"Nätverksgränssnitt", u8"Verkkoliitäntä", u8"A network interface"},
    {kTextDeviceMissing, u8"%1, finns inte", u8"%1, ei ole", u8"%1, missing"},
    {kTextNoInterfaces, u8"Inga nätverksgränssnitt hittades.", u8"Verkkoliitäntöjä ei löytynyt.",
     u8"No network interfaces were found."},
    {kTextWatchExplained,
     u8"Med en serieport pågår förbindelsen medan uppringaren håller porten. Med ett "
     u8"gränssnitt pågår den medan gränssnittet är uppe och igång.",
     u8"Sarjaportilla yhteys kestää, kun soittaja pitää porttia varattuna. Liitännällä se "
     u8"kestää, kun liitäntä on ylhäällä ja toiminnassa.",
     u8"With a serial port, a connection lasts while a dialer holds the port. With an "
     u8"interface, it lasts while the interface is up and running."},
    {kTextWatchNextStart, u8"Valet gäller från nästa start av Vindelor.",
     u8"Valinta on voimassa Vindelorin seuraavasta käynnistyksestä.",
     u8"The choice holds from the next start of Vindelor."},
    {kTextMonthsMenu, u8"Månader…", u8"Kuukaudet…", u8"Months…"},
    {kTextExportMenu, u8"Exportera…", u8"Vie…", u8"Export…"},
    {kTextMonthsTitle, u8"Brusko – månader", u8"Brusko – kuukaudet", u8"Brusko – months"},
    {kTextMonthColumnStart, u8"Månaden från", u8"Kausi alkaen", u8"Month from"},
    {kTextMonthColumnSessions, u8"Sessioner", u8"Istunnot", u8"Sessions"},
    {kTextMonthColumnFailed, u8"Missl. försök", u8"Epäon. yritykset", u8"Failed tries"},
    {kTextMonthColumnNetTime, u8"Nättid", u8"Verkkoaika", u8"Net time"},
    {kTextMonthColumnCost, u8"Kostnad", u8"Maksu", u8"Cost"},
    {kTextCostPerMonthChart, u8"Kostnad per faktureringsmånad (de senaste tolv)",
     u8"Maksu laskutuskausittain (viimeiset kaksitoista)",
     u8"Cost per billing month (the last twelve)"},
    {kTextCostPerDayChart, u8"Kostnad per dag %1 – %2", u8"Maksu päivittäin %1 – %2",
     u8"Cost per day %1 – %2"},
    {kTextEstimate,
     u8"Den här faktureringsmånaden (%1 – %2): hittills %3. Uppskattning för hela månaden: %4 "
     u8"(dagsmedeltalet hittills × %5 dagar).",
     u8"Tämä laskutuskausi (%1 – %2): tähän mennessä %3. Arvio koko kaudelle: %4 "
     u8"(päivien keskiarvo tähän mennessä × %5 päivää).",
     u8"This billing month (%1 – %2): %3 so far. Estimate for the whole month: %4 "
     u8"(the daily average so far × %5 days)."},
    {kTextSelectionSubtotal, u8"%1 rader valda: nättid %2, kostnad %3",
     u8"%1 riviä valittu: verkkoaika %2, maksu %3", u8"%1 rows selected: net time %2, cost %3"},
    {kTextExportTitle, u8"Exportera loggen", u8"Vie loki", u8"Export the log"},
    {kTextCsvFilter, u8"CSV-fil (*.csv)", u8"CSV-tiedosto (*.csv)", u8"CSV file (*.csv)"},
    {kTextJsonFilter, u8"JSON-fil (*.json)", u8"JSON-tiedosto (*.json)", u8"JSON file (*.json)"},
    {kTextExportNotWritten, u8"Exporten kunde inte skrivas: %1",
     u8"Vientiä ei voitu kirjoittaa: %1", u8"The export could not be written: %1"},
    {kTextUndatedLeftOut,
     u8"Rader som lämnades bort för att deras datum inte kunde läsas: %1 (nycklar %2)",
     u8"Pois jätetyt rivit, joiden päivämäärää ei voitu lukea: %1 (avaimet %2)",
     u8"Lines left out because their date could not be read: %1 (keys %2)"},
    {kTextNotADate, u8"Inte ett datum (ÅÅÅÅ-MM-DD): \"%1\"", u8"Ei päivämäärä (VVVV-KK-PP): \"%1\"",
     u8"Not a date (YYYY-MM-DD): \"%1\""},
    {kTextViewerUsageMore,
     u8"brusko --export csv|json [--from ÅÅÅÅ-MM-DD] [--to ÅÅÅÅ-MM-DD] [--output FIL]\n"
     u8"brusko --months [--from ÅÅÅÅ-MM-DD] [--to ÅÅÅÅ-MM-DD]",
     u8"brusko --export csv|json [--from VVVV-KK-PP] [--to VVVV-KK-PP] [--output TIEDOSTO]\n"
     u8"brusko --months [--from VVVV-KK-PP] [--to VVVV-KK-PP]",
     u8"brusko --export csv|json [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--output FILE]\n"
     u8"brusko --months [--from YYYY-MM-DD] [--to YYYY-MM-DD]"},
    {kTextViewerOptionsMore,
     u8"  --export csv|json\n"
     u8"                  loggens rader som CSV eller JSON, till FIL med --output\n"
     u8"  --months        kostnad, tid och försök per faktureringsmånad\n"
     u8"  --from, --to    bara rader med datum i intervallet, båda dagarna med",
     u8"  --export csv|json\n"
     u8"                  lokin rivit CSV- tai JSON-muodossa, --output: TIEDOSTOON\n"
     u8"  --months        maksu, aika ja yritykset laskutuskausittain\n"
     u8"  --from, --to    vain rivit näiden päivien väliltä, päivät mukaan lukien",
     u8"  --export csv|json\n"
     u8"                  the log's lines as CSV or JSON, to FILE with --output\n"
     u8"  --months        cost, time and tries per billing month\n"
     u8"  --from, --to    only lines dated in the range, both days included"},
    {kTextUnknownFormat, u8"Okänt format: \"%1\" (csv eller json)",
     u8"Tuntematon muoto: \"%1\" (csv tai json)", u8"Unknown format: \"%1\" (csv or json)"},
};
constexpr int kOwnTextCount = static_cast<int>(sizeof(kOwnTexts) / sizeof(kOwnTexts[0]));

// The classic loader read into a 255-byte buffer: at most 254 characters reach a caller.
constexpr int kMaxTextLength = 254;

std::atomic<int> g_languageOffset{kSwedishOffset};

const char* Column(const TextRow& row, int offset) {
    switch (offset) {
        case kSwedishOffset:
            return row.swedish;
        case kFinnishOffset:
            return row.finnish;
        case kEnglishOffset:
            return row.english;
        default:
            return nullptr;
    }
}

// Splits an id into (text number, language offset) for ids of the form base + n + offset.
// Rows are in ascending text-number order; the own table may leave gaps between blocks.
const char* Lookup(const TextRow* rows, int count, int id) {
    for (int offset : {kSwedishOffset, kFinnishOffset, kEnglishOffset}) {
        const int n = id - offset;
        if (n < 1 || n >= kFinnishOffset)
            continue;
        const TextRow* end = rows + count;
        const TextRow* row = std::lower_bound(
            rows, end, n, [](const TextRow& r, int number) { return r.number < number; });
        if (row != end && row->number == n)
            return Column(*row, offset);
    }
    return nullptr;
}

}  // namespace

int LanguageOffset() {
    return g_languageOffset.load(std::memory_order_relaxed);
}

void SetLanguageOffset(int offset) {
    g_languageOffset.store(offset, std::memory_order_relaxed);
}

QString LoadText(int id) {
    const char* text = nullptr;
    if (id >= 1 && id < kOwnTextBase) {
        text = Lookup(kTable, kTableTexts, id);
    } else if (id > kOwnTextBase) {
        text = Lookup(kOwnTexts, kOwnTextCount, id - kOwnTextBase);
    }
    if (text == nullptr)
        return QString();
    return QString::fromUtf8(text).left(kMaxTextLength);
}

QString Text(int n) {
    return LoadText(n + LanguageOffset());
}

bool SelectLanguage(const QString& code) {
    if (code == QLatin1String("S")) {
        SetLanguageOffset(kSwedishOffset);
    } else if (code == QLatin1String("SF")) {
        SetLanguageOffset(kFinnishOffset);
    } else if (code == QLatin1String("UK")) {
        SetLanguageOffset(kEnglishOffset);
    } else {
        return false;
    }
    return true;
}

QString LanguageCodeForOffset(int offset) {
    switch (offset) {
        case kSwedishOffset:
            return QStringLiteral("S");
        case kFinnishOffset:
            return QStringLiteral("SF");
        case kEnglishOffset:
            return QStringLiteral("UK");
        default:
            return QString();
    }
}

QString HelpFileForCode(const QString& code) {
    if (code == QLatin1String("S") || code == QLatin1String("SF") || code == QLatin1String("UK")) {
        return code + QStringLiteral("Vindelor");
    }
    return QString();
}

QString HelpFileForOffset(int offset) {
    return HelpFileForCode(LanguageCodeForOffset(offset));
}

}  // namespace vindelor
