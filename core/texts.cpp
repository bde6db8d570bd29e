#include "core/texts.h"

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
#include "core/texttable.inc"
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
     u8"Användning: brusko [--plan NAMN] [--list | --delete RADER | --recalculate | --help | "
     u8"--version]\n"
     u8"Utan val öppnar Brusko sitt fönster.",
     u8"Käyttö: brusko [--plan NIMI] [--list | --delete RIVIT | --recalculate | --help | "
     u8"--version]\n"
     u8"Ilman valintoja Brusko avaa ikkunansa.",
     u8"Usage: brusko [--plan NAME] [--list | --delete ROWS | --recalculate | --help | --version]\n"
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
    {kTextPortChoiceAsked, u8"Du bad att få välja modemets port.",
     u8"Pyysit saada valita modeemin portin.", u8"You asked to choose the modem's port."},
    {kTextPortChoiceBesideInterface,
     u8"Du bad att få välja modemets port. Nätverksgränssnittet \"%1\" bevakas fortfarande.",
     u8"Pyysit saada valita modeemin portin. Verkkoliitäntää \"%1\" seurataan edelleen.",
     u8"You asked to choose the modem's port. The network interface \"%1\" stays watched."},
    {kTextNotAnInterfaceName, u8"\"%1\" kan inte vara namnet på ett nätverksgränssnitt.",
     u8"\"%1\" ei voi olla verkkoliitännän nimi.",
     u8"\"%1\" cannot be the name of a network interface."},
    {kTextOldTemporaryKept,
     u8"En fil från en avbruten radering, \"Vindelor.ny\", hade rader som inte finns i "
     u8"loggen. Den har sparats som \"%1\".",
     u8"Keskeytyneen poiston tiedostossa \"Vindelor.ny\" oli rivejä, joita lokissa ei ole. "
     u8"Se on tallennettu nimellä \"%1\".",
     u8"A file left by an interrupted deletion, \"Vindelor.ny\", held lines that are not in "
     u8"the log. It has been kept as \"%1\"."},
    {kTextDeviceAbsent, u8"%1 (saknas)", u8"%1 (puuttuu)", u8"%1 (not present)"},
    {kTextNmNotRunning,
     u8"NetworkManager körs inte. Vindelor väntar tills det körs och förbindelsen \"%1\" "
     u8"är aktiv.",
     u8"NetworkManager ei ole käynnissä. Vindelor odottaa, kunnes se käynnistyy ja yhteys "
     u8"\"%1\" on aktiivinen.",
     u8"NetworkManager is not running. Vindelor waits until it runs and the connection "
     u8"\"%1\" is active."},
    {kTextMmNotRunning,
     u8"ModemManager körs inte. Vindelor väntar tills det körs och modemet \"%1\" är "
     u8"uppkopplat.",
     u8"ModemManager ei ole käynnissä. Vindelor odottaa, kunnes se käynnistyy ja modeemi "
     u8"\"%1\" on yhdistetty.",
     u8"ModemManager is not running. Vindelor waits until it runs and the modem \"%1\" is "
     u8"connected."},
    {kTextWatchNetworkManager, u8"En förbindelse i NetworkManager", u8"NetworkManagerin yhteys",
     u8"A connection of NetworkManager"},
    {kTextWatchModem, u8"Ett modem i ModemManager", u8"ModemManagerin modeemi",
     u8"A modem of ModemManager"},
    {kTextReadingServices, u8"Läser…", u8"Luetaan…", u8"Reading…"},
    {kTextNoNmConnections, u8"NetworkManager visar inga förbindelser.",
     u8"NetworkManager ei näytä yhteyksiä.", u8"NetworkManager shows no connections."},
    {kTextAnyModem, u8"Vilket modem som helst", u8"Mikä tahansa modeemi", u8"Any modem"},
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
    {kTextBudgetWarning,
     u8"%1 % av budgeten använd: %2 av %3 under faktureringsmånaden som slutar %4.",
     u8"%1 % budjetista käytetty: %2 / %3 laskutuskaudella, joka päättyy %4.",
     u8"%1 % of your budget used: %2 of %3 in the billing month that ends %4."},
    {kTextNextMinute, u8"Nästa minut debiteras om %1 s (kl. %2): %3.",
     u8"Seuraava minuutti veloitetaan %1 s kuluttua (klo %2): %3.",
     u8"The next minute is charged in %1 s (at %2): %3."},
    {kTextHangUpRan,
     u8"Månadens kostnad nådde budgeten (%1). Vindelor körde \"%2\" för att avsluta förbindelsen.",
     u8"Kuukauden kustannus saavutti budjetin (%1). Vindelor suoritti komennon \"%2\" yhteyden "
     u8"katkaisemiseksi.",
     u8"The month's cost reached the budget (%1). Vindelor ran \"%2\" to end the connection."},
    {kTextHangUpFailed,
     u8"Månadens kostnad nådde budgeten (%1), men \"%2\" misslyckades (%3). Förbindelsen kan "
     u8"fortfarande vara öppen.",
     u8"Kuukauden kustannus saavutti budjetin (%1), mutta komento \"%2\" epäonnistui (%3). Yhteys "
     u8"voi olla yhä auki.",
     u8"The month's cost reached the budget (%1), but \"%2\" failed (%3). The connection may still "
     u8"be open."},
    {kTextHangUpTimedOut,
     u8"Månadens kostnad nådde budgeten (%1), men \"%2\" blev inte färdigt på 10 sekunder och "
     u8"stoppades. Förbindelsen kan fortfarande vara öppen.",
     u8"Kuukauden kustannus saavutti budjetin (%1), mutta komento \"%2\" ei päättynyt 10 "
     u8"sekunnissa ja se pysäytettiin. Yhteys voi olla yhä auki.",
     u8"The month's cost reached the budget (%1), but \"%2\" did not end within 10 seconds and was "
     u8"stopped. The connection may still be open."},
    {kTextHangUpSignalled,
     u8"Månadens kostnad nådde budgeten (%1). Vindelor bad pppd (process %2) att avsluta "
     u8"förbindelsen.",
     u8"Kuukauden kustannus saavutti budjetin (%1). Vindelor pyysi pppd:tä (prosessi %2) "
     u8"katkaisemaan yhteyden.",
     u8"The month's cost reached the budget (%1). Vindelor asked pppd (process %2) to end the "
     u8"connection."},
    {kTextHangUpSignalFailed,
     u8"Månadens kostnad nådde budgeten (%1), men pppd (process %2) kunde inte nås (%3). Avsluta "
     u8"förbindelsen själv.",
     u8"Kuukauden kustannus saavutti budjetin (%1), mutta pppd:lle (prosessi %2) ei voitu lähettää "
     u8"pyyntöä (%3). Katkaise yhteys itse.",
     u8"The month's cost reached the budget (%1), but pppd (process %2) could not be asked to end "
     u8"(%3). End the connection yourself."},
    {kTextHangUpNoWay,
     u8"Månadens kostnad nådde budgeten (%1). Inget kommando för att avsluta är angivet och ingen "
     u8"pppd håller porten, så Vindelor kunde inte avsluta förbindelsen.",
     u8"Kuukauden kustannus saavutti budjetin (%1). Katkaisukomentoa ei ole asetettu eikä mikään "
     u8"pppd pidä porttia, joten Vindelor ei voinut katkaista yhteyttä.",
     u8"The month's cost reached the budget (%1). No hang-up command is set and no pppd holds the "
     u8"port, so Vindelor could not end the connection."},
    {kTextHangUpNotOurs,
     u8"Månadens kostnad nådde budgeten (%1). Den pppd som håller porten (process %2) tillhör en "
     u8"annan användare, så Vindelor kunde inte avsluta förbindelsen.",
     u8"Kuukauden kustannus saavutti budjetin (%1). Porttia pitävä pppd (prosessi %2) kuuluu "
     u8"toiselle käyttäjälle, joten Vindelor ei voinut katkaista yhteyttä.",
     u8"The month's cost reached the budget (%1). The pppd that holds the port (process %2) "
     u8"belongs to another user, so Vindelor could not end the connection."},
    {kTextHangUpBadCommand,
     u8"Månadens kostnad nådde budgeten (%1). Kommandot \"%2\" kunde inte läsas (ett citattecken "
     u8"stängs inte), så inget kördes.",
     u8"Kuukauden kustannus saavutti budjetin (%1). Komentoa \"%2\" ei voitu lukea (lainausmerkki "
     u8"jää auki), joten mitään ei suoritettu.",
     u8"The month's cost reached the budget (%1). The command \"%2\" could not be read (a quote is "
     u8"not closed), so nothing was run."},
    {kTextExitStatus, u8"slutstatus %1", u8"paluuarvo %1", u8"exit status %1"},
    {kTextBudgetPage, u8"Budget och varningar", u8"Budjetti ja varoitukset",
     u8"Budget and warnings"},
    {kTextStartDayLabel, u8"Faktureringsmånaden börjar dag (1–31, i kortare månader den sista):",
     u8"Laskutuskausi alkaa kuun päivänä (1–31, lyhyempinä kuina viimeisenä):",
     u8"Billing month starts on day (1–31, the last day of shorter months):"},
    {kTextBudgetLabel, u8"Budget per faktureringsmånad (tomt: ingen):",
     u8"Budjetti laskutuskaudelle (tyhjä: ei budjettia):",
     u8"Budget per billing month (empty: none):"},
    {kTextWarnLabel, u8"Varna vid dessa procent av budgeten:",
     u8"Varoita näillä prosenteilla budjetista:", u8"Warn at these percentages of the budget:"},
    {kTextNextMinuteLabel, u8"Varna så många sekunder innan en minut debiteras (0: av):",
     u8"Varoita näin monta sekuntia ennen minuutin veloitusta (0: ei):",
     u8"Warn this many seconds before a minute is charged (0: off):"},
    {kTextHangUpAtLabel, u8"Avsluta förbindelsen när budgeten nås",
     u8"Katkaise yhteys, kun budjetti täyttyy", u8"End the connection when the budget is reached"},
    {kTextHangUpLabel, u8"Kommando som avslutar förbindelsen:", u8"Yhteyden katkaiseva komento:",
     u8"Command that ends the connection:"},
    {kTextHolidaysLabel, u8"Helgtaxa på allmänna helgdagar i:",
     u8"Pyhähinnat yleisinä vapaapäivinä maassa:", u8"Holiday rates on the public holidays of:"},
    {kTextNoCountry, u8"inget land", u8"ei mitään maata", u8"no country"},
    {kTextFinland, u8"Finland", u8"Suomi", u8"Finland"},
    {kTextSweden, u8"Sverige", u8"Ruotsi", u8"Sweden"},
    {kTextDatesLabel, u8"Fler helgdagar (MM-DD eller ÅÅÅÅ-MM-DD, åtskilda med kommatecken):",
     u8"Muut pyhäpäivät (KK-PP tai VVVV-KK-PP pilkuin erotettuina):",
     u8"More holiday dates (MM-DD or YYYY-MM-DD, parted by commas):"},
    {kTextBadStartDay, u8"Faktureringsmånadens första dag måste vara ett heltal från 1 till 31.",
     u8"Laskutuskauden alkupäivän on oltava kokonaisluku 1–31.",
     u8"The billing month's first day must be a whole number from 1 to 31."},
    {kTextBadBudget,
     u8"Budgeten måste vara ett tal, noll eller större, t.ex. 25.50 (tomt: ingen budget).",
     u8"Budjetin on oltava nolla tai sitä suurempi luku, esim. 25.50 (tyhjä: ei budjettia).",
     u8"The budget must be a number of zero or more, such as 25.50 (empty: no budget)."},
    {kTextBadWarn,
     u8"\"%1\" är ingen procentsats: ange heltal från 1 till 999, åtskilda med kommatecken.",
     u8"\"%1\" ei ole prosenttiluku: anna kokonaislukuja 1–999 pilkuin erotettuina.",
     u8"\"%1\" is no percentage: give whole numbers from 1 to 999, parted by commas."},
    {kTextBadNextMinute, u8"Sekunderna före nästa minut måste vara ett heltal från 0 till 59.",
     u8"Sekuntien ennen seuraavaa minuuttia on oltava kokonaisluku 0–59.",
     u8"The seconds before the next minute must be a whole number from 0 to 59."},
    {kTextBadHangUp,
     u8"Kommandot som avslutar förbindelsen har ett citattecken som inte stängs, eller slutar med "
     u8"\\.",
     u8"Katkaisukomennossa on sulkematon lainausmerkki, tai se päättyy merkkiin \\.",
     u8"The command that ends the connection has a quote that is not closed, or ends in \\."},
    {kTextBadDates,
     u8"\"%1\" är inget datum: ange MM-DD eller ÅÅÅÅ-MM-DD, åtskilda med kommatecken.",
     u8"\"%1\" ei ole päivämäärä: anna KK-PP tai VVVV-KK-PP pilkuin erotettuina.",
     u8"\"%1\" is no date: give MM-DD or YYYY-MM-DD, parted by commas."},
    {kTextNothingStored, u8"Inget på den här sidan sparades.",
     u8"Tältä sivulta ei tallennettu mitään.", u8"Nothing on this page was stored."},
    {kTextUndatedLines,
     u8"%1 rader i loggen har inget läsbart datum och räknas inte med i månadens kostnad.",
     u8"Lokin %1 riviltä ei voitu lukea päivämäärää, eikä niitä lasketa kuukauden kustannukseen.",
     u8"%1 log lines have no readable date and are left out of the month's cost."},
    {kTextMarkBelowSpent,
     u8"Varningen vid %1 % ligger under det som redan var förbrukat när förbindelsen började.",
     u8"Varoitusraja %1 % on pienempi kuin se, mitä oli jo käytetty yhteyden alkaessa.",
     u8"The warning at %1 % lies below what had already been spent when the connection began."},
    {kTextUndatedWhich, u8"Raderna: %1.", u8"Rivit: %1.", u8"The lines: %1."},
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
     u8"brusko --export csv|json|xlsx [--from ÅÅÅÅ-MM-DD] [--to ÅÅÅÅ-MM-DD] [--output FIL] "
     u8"[--all-plans]\n"
     u8"brusko --months [--from ÅÅÅÅ-MM-DD] [--to ÅÅÅÅ-MM-DD] [--all-plans]",
     u8"brusko --export csv|json|xlsx [--from VVVV-KK-PP] [--to VVVV-KK-PP] [--output TIEDOSTO] "
     u8"[--all-plans]\n"
     u8"brusko --months [--from VVVV-KK-PP] [--to VVVV-KK-PP] [--all-plans]",
     u8"brusko --export csv|json|xlsx [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--output FILE] "
     u8"[--all-plans]\n"
     u8"brusko --months [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--all-plans]"},
    {kTextViewerOptionsMore,
     u8"  --export csv|json|xlsx\n"
     u8"                  loggens rader (CSV, JSON, Excel), till FIL med --output\n"
     u8"  --months        kostnad, tid och försök per faktureringsmånad\n"
     u8"  --from, --to    bara rader med datum i intervallet, båda dagarna med",
     u8"  --export csv|json|xlsx\n"
     u8"                  lokin rivit (CSV, JSON, Excel), --output: TIEDOSTOON\n"
     u8"  --months        maksu, aika ja yritykset laskutuskausittain\n"
     u8"  --from, --to    vain rivit näiden päivien väliltä, päivät mukaan lukien",
     u8"  --export csv|json|xlsx\n"
     u8"                  the log's lines (CSV, JSON, Excel), to FILE with --output\n"
     u8"  --months        cost, time and tries per billing month\n"
     u8"  --from, --to    only lines dated in the range, both days included"},
    {kTextUnknownFormat, u8"Okänt format: \"%1\" (csv, json eller xlsx)",
     u8"Tuntematon muoto: \"%1\" (csv, json tai xlsx)",
     u8"Unknown format: \"%1\" (csv, json or xlsx)"},
    {kTextXlsxFilter, u8"Excel-arbetsbok (*.xlsx)", u8"Excel-työkirja (*.xlsx)",
     u8"Excel workbook (*.xlsx)"},
    {kTextSheetColumns, u8"Nyckel\tDatum\tStart\tNättid\tMisslyckat försök\tKostnad",
     u8"Avain\tPäivämäärä\tAlku\tVerkkoaika\tEpäonnistunut yritys\tMaksu",
     u8"Key\tDate\tStart\tNet time\tFailed try\tCost"},
    {kTextSheetTotal, u8"Totalt", u8"Yhteensä", u8"Total"},
    {kTextAverageSerialOnly,
     u8"Genomsnittlig tid innan kontakt gäller bara serieporten: ett gränssnitt som kommer upp "
     u8"är redan anslutet.",
     u8"Keskim. soittoaika koskee vain sarjaporttia: ylös tuleva liitäntä on jo yhteydessä.",
     u8"The average time before connecting applies to the serial port only: an interface that "
     u8"comes up is connected already."},
    {kTextHangUpNotStorable,
     u8"Kommandot som avslutar förbindelsen har tecken som Vindelor.ini inte kan spara: %1",
     u8"Katkaisukomennossa on merkkejä, joita Vindelor.ini ei voi tallentaa: %1",
     u8"The command that ends the connection has characters that Vindelor.ini cannot store: %1"},
    {kTextEndedBySignal, u8"avslutad av signal %1 (%2)", u8"päättyi signaaliin %1 (%2)",
     u8"ended by signal %1 (%2)"},
    {kTextGraceLabel, u8"Avbrott som hör till förbindelsen (sek):",
     u8"Yhteyteen kuuluva katko (s):", u8"A drop that still belongs to the connection (s):"},
    {kTextBadGrace, u8"Avbrottet ska vara ett heltal sekunder från 0 till 600.",
     u8"Katkon on oltava kokonaisluku sekunteja väliltä 0–600.",
     u8"The drop must be a whole number of seconds from 0 to 600."},
    {kTextOutputIsFolder, u8"%1 är en mapp: ge ett filnamn", u8"%1 on kansio: anna tiedoston nimi",
     u8"%1 is a folder: give a file name"},
    {kTextOutputForeignLink,
     u8"%1 är en symbolisk länk som någon annan äger i en delad mapp: brusko skriver inte genom "
     u8"den",
     u8"%1 on jonkun toisen omistama symbolinen linkki jaetussa kansiossa: brusko ei kirjoita "
     u8"sen kautta",
     u8"%1 is a symbolic link someone else owns in a shared folder: brusko does not write "
     u8"through it"},
    {kTextStdoutNotWritten, u8"Standardutdata kunde inte skrivas: %1",
     u8"Vakiotulosteeseen ei voitu kirjoittaa: %1", u8"Standard output could not be written: %1"},
    {kTextMeteredLabel, u8"Datataxerad anslutning för skrivbordet:",
     u8"Käytön mukaan laskutettava yhteys työpöydälle:", u8"Metered for the desktop:"},
    {kTextMeteredOff, u8"Nej", u8"Ei", u8"No"},
    {kTextMeteredAlways, u8"Ja, under varje session", u8"Kyllä, jokaisen istunnon ajan",
     u8"Yes, during each session"},
    {kTextMeteredFromWarning, u8"Från månadens första volymvarning",
     u8"Kauden ensimmäisestä datamäärävaroituksesta alkaen",
     u8"From the month's first volume warning"},
    {kTextMegabytes, u8"MB", u8"Mt", u8"MB"},
    {kTextGigabytes, u8"GB", u8"Gt", u8"GB"},
    {kTextMegabitsPerSecond, u8"Mbit/s", u8"Mbit/s", u8"Mbit/s"},
    {kTextKilobitsPerSecond, u8"kbit/s", u8"kbit/s", u8"kbit/s"},
    {kTextDataPage, u8"Datataxa", u8"Datahinnoittelu", u8"Data tariff"},
    {kTextPerMBLabel, u8"Pris per MB:", u8"Hinta per Mt:", u8"Price per MB:"},
    {kTextIncludedLabel, u8"MB som ingår per faktureringsmånad:",
     u8"Laskutuskauteen sisältyvät Mt:", u8"MB included per billing month:"},
    {kTextDayFeeLabel, u8"Dagsavgift (varje dag med data):",
     u8"Päivämaksu (jokaisena päivänä, jolloin dataa siirtyy):", u8"Day fee (each day with data):"},
    {kTextDataInterfaceLabel, u8"Räkna byte på gränssnittet (tomt: förbindelsens eget):",
     u8"Laske tavut liitännästä (tyhjä: yhteyden oma):",
     u8"Count the bytes of interface (blank: the connection's own):"},
    {kTextDataWarnLabel, u8"Varna vid procent av de MB som ingår (t.ex. 80,100):",
     u8"Varoita prosenteilla sisältyvistä Mt:stä (esim. 80,100):",
     u8"Warn at percent of the included MB (e.g. 80,100):"},
    {kTextDataHangUpAtLabel, u8"Koppla ned när de MB som ingår är förbrukade",
     u8"Katkaise yhteys, kun sisältyvät Mt on käytetty",
     u8"Hang up when the included MB are used up"},
    {kTextBadPerMB,
     u8"Priset per MB måste vara ett tal som inte är negativt, högst fyra decimaler.",
     u8"Hinnan per Mt on oltava ei-negatiivinen luku, enintään neljä desimaalia.",
     u8"The price per MB must be a number that is not negative, at most four decimals."},
    {kTextBadIncluded, u8"De MB som ingår måste vara ett tal som inte är negativt.",
     u8"Sisältyvien Mt:n on oltava ei-negatiivinen luku.",
     u8"The included MB must be a number that is not negative."},
    {kTextBadDayFee,
     u8"Dagsavgiften måste vara ett tal som inte är negativt, högst fyra decimaler.",
     u8"Päivämaksun on oltava ei-negatiivinen luku, enintään neljä desimaalia.",
     u8"The day fee must be a number that is not negative, at most four decimals."},
    {kTextBadDataInterface, u8"Inget gränssnitt kan ha det namnet.",
     u8"Millään liitännällä ei voi olla tuota nimeä.", u8"No interface can have that name."},
    {kTextBadDataWarn,
     u8"\"%1\": varningarna behöver procent 1–999, åtskilda med kommatecken, och MB som ingår.",
     u8"\"%1\": varoitukset tarvitsevat prosentit 1–999 pilkuin erotettuina ja sisältyvät Mt.",
     u8"\"%1\": the warnings need percentages 1–999 parted by commas, and included MB."},
    {kTextBadDataHangUpAt, u8"Att koppla ned kräver MB som ingår.",
     u8"Katkaisu tarvitsee sisältyvät Mt.", u8"Hanging up needs included MB."},
    {kTextDataWarning, u8"%1 % av de MB som ingår är förbrukade: %2 av %3 fram till %4.",
     u8"%1 % sisältyvistä Mt:stä on käytetty: %2 / %3 %4 asti.",
     u8"%1 % of the included volume is used: %2 of %3 until %4."},
    {kTextDataCapReached, u8"Datamängden som ingår i månaden (%1) är förbrukad",
     u8"Kauteen sisältyvä datamäärä (%1) on käytetty",
     u8"The volume included in the month (%1) is used up"},
    {kTextMonthColumnVolume, u8"Datamängd", u8"Datamäärä", u8"Volume"},
    {kTextVolumePerMonthChart, u8"Datamängd per faktureringsmånad (de senaste tolv)",
     u8"Datamäärä laskutuskausittain (viimeiset kaksitoista)",
     u8"Volume per billing month (the last twelve)"},
    {kTextDataExplained,
     u8"En sessions kostnad är dess tidskostnad plus dess datakostnad. MB = 1 000 000 byte. "
     u8"Tomt eller 0: ingen avgift.",
     u8"Istunnon maksu on sen aikamaksu ja sen datamaksu yhteensä. Mt = 1 000 000 tavua. "
     u8"Tyhjä tai 0: ei maksua.",
     u8"A session's cost is its time cost plus its data cost. MB = 1,000,000 bytes. "
     u8"Blank or 0: no charge."},
    {kTextBadCharge,
     u8"Priset per minut måste vara ett tal från 0 till 1000, högst fyra decimaler, t.ex. 0.0125.",
     u8"Minuuttihinnan on oltava luku 0–1000, enintään neljä desimaalia, esim. 0.0125.",
     u8"The charge per minute must be a number from 0 to 1000, at most four decimals, such as "
     u8"0.0125."},
    {kTextBadMinimum, u8"Månadsavgiften måste vara ett tal, noll eller större, t.ex. 12.50.",
     u8"Kuukausimaksun on oltava nolla tai sitä suurempi luku, esim. 12.50.",
     u8"The monthly minimum charge must be a number of zero or more, such as 12.50."},
    {kTextBadAverage,
     u8"Tiden före uppkopplingen måste vara sekunder från 0 till 3600, eller minuter.sekunder "
     u8"som 1.30.",
     u8"Yhteyttä edeltävän ajan on oltava sekunteja 0–3600 tai minuutit.sekunnit, kuten 1.30.",
     u8"The time before connecting must be seconds from 0 to 3600, or minutes.seconds such as "
     u8"1.30."},
    {kTextShowWindow, u8"Visa fönstret", u8"Näytä ikkuna", u8"Show the window"},
    {kTextNmIdOfSeveral,
     u8"Flera förbindelser i NetworkManager heter \"%1\": %2. Välj en av dem i listan.",
     u8"NetworkManagerissa on useita yhteyksiä nimeltä \"%1\": %2. Valitse niistä yksi "
     u8"luettelosta.",
     u8"More than one NetworkManager connection is called \"%1\": %2. Choose one of them in "
     u8"the list."},
    {kTextUnitLabel, u8"Debiteringsenhet i kB (tomt eller 0: per byte):",
     u8"Laskutusyksikkö kt:na (tyhjä tai 0: tavuittain):",
     u8"Charged unit in kB (blank or 0: to the byte):"},
    {kTextBadUnit, u8"Debiteringsenheten måste vara ett helt antal kB, högst 1 000 000.",
     u8"Laskutusyksikön on oltava kokonainen määrä kt:ta, enintään 1 000 000.",
     u8"The charged unit must be a whole number of kB, at most 1,000,000."},
    {kTextRoamingPage, u8"Roaming", u8"Verkkovierailu", u8"Roaming"},
    {kTextRoamingExplained,
     u8"Byte som modemet flyttar medan det är registrerat i ett nät utomlands. Tomt pris: "
     u8"de kostar som hemma. MB = 1 000 000 byte.",
     u8"Tavut, jotka modeemi siirtää ulkomaisessa verkossa ollessaan. Tyhjä hinta: ne "
     u8"maksavat kuten kotimaassa. Mt = 1 000 000 tavua.",
     u8"Bytes the modem moves while it is registered on a network abroad. Blank price: they "
     u8"cost what they do at home. MB = 1,000,000 bytes."},
    {kTextRoamingPerMBLabel, u8"Pris per MB utomlands:", u8"Hinta per Mt ulkomailla:",
     u8"Price per MB abroad:"},
    {kTextRoamingIncludedLabel, u8"MB per faktureringsmånad utomlands till hemmapriset:",
     u8"Mt laskutuskaudessa ulkomailla kotimaan hinnalla:",
     u8"MB a billing month abroad at the home price:"},
    {kTextRoamingHangUpAtLabel, u8"Koppla ned vid MB utomlands per faktureringsmånad:",
     u8"Katkaise yhteys, kun ulkomailla on käytetty Mt laskutuskaudessa:",
     u8"Hang up at MB abroad a billing month:"},
    {kTextRoamingWarnLabel, u8"Varna vid procent av dessa MB (t.ex. 80,100):",
     u8"Varoita prosenteilla näistä Mt:stä (esim. 80,100):",
     u8"Warn at percent of those MB (e.g. 80,100):"},
    {kTextBadRoamingHangUpAt, u8"MB för nedkoppling måste vara ett tal som inte är negativt.",
     u8"Katkaisun Mt:n on oltava ei-negatiivinen luku.",
     u8"The MB for hanging up must be a number that is not negative."},
    {kTextBadRoamingWarn,
     u8"\"%1\": varningarna behöver procent 1–999, åtskilda med kommatecken, och MB för "
     u8"nedkoppling.",
     u8"\"%1\": varoitukset tarvitsevat prosentit 1–999 pilkuin erotettuina ja katkaisun Mt.",
     u8"\"%1\": the warnings need percentages 1–999 parted by commas, and MB for hanging up."},
    {kTextRoamingEntered, u8"Roaming i %1 (%2): 1 MB kostar %3",
     u8"Verkkovierailu verkossa %1 (%2): 1 Mt maksaa %3", u8"Roaming on %1 (%2): 1 MB costs %3"},
    {kTextRoamingTip, u8"roaming", u8"verkkovierailu", u8"roaming"},
    {kTextRoamingWarning, u8"%1 % av MB utomlands är förbrukade: %2 av %3 fram till %4.",
     u8"%1 % ulkomaisista Mt:stä on käytetty: %2 / %3 %4 asti.",
     u8"%1 % of the MB abroad are used: %2 of %3 until %4."},
    {kTextRoamingCapReached, u8"Datamängden utomlands i månaden (%1) är förbrukad",
     u8"Kauden ulkomainen datamäärä (%1) on käytetty",
     u8"The volume abroad of the month (%1) is used up"},
    {kTextMonthColumnRoaming, u8"Roaming", u8"Verkkovierailu", u8"Roaming"},
    {kTextMeteredRefused, u8"%1 kunde inte märkas som en datataxerad anslutning: %2",
     u8"Yhteyttä %1 ei voitu merkitä käytön mukaan laskutettavaksi: %2",
     u8"%1 could not be marked as a metered connection: %2"},
    {kTextRoamingPerMinLabel, u8"Pris per minut utomlands (tomt: tidstaxan):",
     u8"Hinta minuutilta ulkomailla (tyhjä: aikahinnasto):",
     u8"Price per minute abroad (blank: the time tariff):"},
    {kTextBadRoamingPerMin,
     u8"Priset per minut utomlands måste vara ett tal som inte är negativt, högst fyra "
     u8"decimaler.",
     u8"Minuuttihinnan ulkomailla on oltava ei-negatiivinen luku, enintään neljä desimaalia.",
     u8"The price per minute abroad must be a number that is not negative, at most four "
     u8"decimals."},
    {kTextBadPlanName,
     u8"\"%1\" kan inte vara namnet på ett abonnemang: bokstäver, siffror, mellanslag, \"-\", "
     u8"\"_\" och \".\", högst 64 tecken, inte punkt eller mellanslag först.",
     u8"\"%1\" ei kelpaa liittymän nimeksi: kirjaimia, numeroita, välilyöntejä, \"-\", \"_\" "
     u8"ja \".\", enintään 64 merkkiä, ei pistettä tai välilyöntiä alussa.",
     u8"\"%1\" cannot be the name of a plan: letters, digits, blanks, \"-\", \"_\" and \".\", "
     u8"at most 64 characters, not starting with a dot or a blank."},
    {kTextNoSuchPlan, u8"Det finns inget abonnemang \"%1\".", u8"Liittymää \"%1\" ei ole.",
     u8"There is no plan \"%1\"."},
    {kTextPlanNotMade, u8"Abonnemanget \"%1\" kunde inte skapas (%2).",
     u8"Liittymää \"%1\" ei voitu luoda (%2).", u8"The plan \"%1\" could not be made (%2)."},
    {kTextPlanOption, u8"  --plan NAMN     abonnemanget NAMN (egna inställningar och logg)",
     u8"  --plan NIMI     liittymä NIMI (omat asetukset ja loki)",
     u8"  --plan NAME     the plan NAME (its own settings and log)"},
    {kTextLinkClaimed,
     u8"Abonnemanget \"%1\" bevakar redan den här förbindelsen. En förbindelse hör till ett "
     u8"abonnemang.",
     u8"Liittymä \"%1\" seuraa jo tätä yhteyttä. Yhteys kuuluu yhdelle liittymälle.",
     u8"The plan \"%1\" already watches this link. A link belongs to one plan."},
    {kTextPlansPage, u8"Abonnemang", u8"Liittymät", u8"Plans"},
    {kTextPlanColumns, u8"Abonnemang\tFörbindelse", u8"Liittymä\tYhteys", u8"Plan\tLink"},
    {kTextDefaultPlan, u8"(standard)", u8"(oletus)", u8"(default)"},
    {kTextPlanButtons, u8"Nytt…\tByt namn…\tTa bort", u8"Uusi…\tNimeä uudelleen…\tPoista",
     u8"New…\tRename…\tDelete"},
    {kTextPlanNamePrompt, u8"Abonnemangets namn:", u8"Liittymän nimi:", u8"The plan's name:"},
    {kTextDeletePlanQuestion,
     u8"Ta bort abonnemanget \"%1\"? Dess filer flyttas till \"%2\" och finns kvar där.",
     u8"Poistetaanko liittymä \"%1\"? Sen tiedostot siirretään kansioon \"%2\" ja säilyvät "
     u8"siellä.",
     u8"Delete the plan \"%1\"? Its files move to \"%2\" and stay there."},
    {kTextPlanNameTaken, u8"Det finns redan ett abonnemang \"%1\".",
     u8"Liittymä \"%1\" on jo olemassa.", u8"There is already a plan \"%1\"."},
    {kTextPlanInUse,
     u8"Abonnemanget \"%1\" används: en Vindelor väntar på eller mäter dess förbindelse, "
     u8"eller så hör det här fönstret till det.",
     u8"Liittymä \"%1\" on käytössä: Vindelor odottaa tai mittaa sen yhteyttä, tai tämä "
     u8"ikkuna kuuluu sille.",
     u8"The plan \"%1\" is in use: a Vindelor waits for or times its link, or this window "
     u8"belongs to it."},
    {kTextPlansNotChanged, u8"Abonnemangen ändrades inte (%1).", u8"Liittymiä ei muutettu (%1).",
     u8"The plans were not changed (%1)."},
    {kTextPlansTotal, u8"(totalt)", u8"(yhteensä)", u8"(total)"},
    {kTextPlanMenu, u8"Abonnemang", u8"Liittymä", u8"Plan"},
    {kTextAllPlans, u8"Alla abonnemang", u8"Kaikki liittymät", u8"All plans"},
    {kTextLeftADay, u8"%1 kvar, %2 per dag i %3 dagar", u8"%1 jäljellä, %2 päivässä %3 päivän ajan",
     u8"%1 left, %2 a day for %3 days"},
    {kTextLeftToday, u8"%1 kvar för i dag", u8"%1 jäljellä tälle päivälle", u8"%1 left for today"},
    {kTextNothingLeft, u8"Inget kvar av %1", u8"%1 on käytetty", u8"Nothing left of %1"},
    {kTextOverBudget, u8"%1 över budgeten på %2", u8"%1 yli budjetin %2",
     u8"%1 over the budget of %2"},
    {kTextOverIncluded, u8"%1 utöver de %2 som ingår", u8"%1 yli sisältyvän %2",
     u8"%1 beyond the %2 included"},
    {kTextAllPlansOption,
     u8"  --all-plans     alla abonnemang, med en kolumn som namnger abonnemanget",
     u8"  --all-plans     kaikki liittymät, sarakkeessa liittymän nimi",
     u8"  --all-plans     every plan, with a column naming the plan"},
};

// Texts longer than the classic loader's 254 characters, whole in every language.
constexpr TextRow kLongTexts[] = {
    {kTextMonitorHelp,
     u8"Användning: vindelor [--plan NAMN] [--choose-port] [--interface NAMN]\n"
     u8"                     [--nm-connection ID] [--modem ID] [--help] [--version]\n"
     u8"            vindelor --all-plans\n"
     u8"\n"
     u8"Tar tid på en uppringd förbindelse och berättar vad den kostade. Vindelor väntar\n"
     u8"tills modemets serieport blir upptagen (uppringaren håller den), visar den\n"
     u8"uppkopplade tiden och den löpande kostnaden, och när porten är fri igen lägger\n"
     u8"den sessionen till loggen och summorna och avslutas.\n"
     u8"\n"
     u8"Inställningar, logg och prisfil finns i $VINDELOR_DIR, annars\n"
     u8"$XDG_CONFIG_HOME/vindelor, annars ~/.config/vindelor. COM1 ... COM4 leder till\n"
     u8"enheter i avsnittet [Ports] i Vindelor.ini (standard /dev/ttyS0 ... /dev/ttyS3).\n"
     u8"\n"
     u8"Med ett nätverksgränssnitt angivet (mobilt bredband wwan0, en telefons usb0,\n"
     u8"ppp0) är en förbindelse i stället att gränssnittet är uppe och igång; serieporten\n"
     u8"lämnas då i fred. Avsnittet [Connection], nyckeln Interface, anger det för gott.\n"
     u8"En förbindelse i NetworkManager (nyckeln NetworkManager: dess namn eller UUID)\n"
     u8"varar medan den är aktiverad; ett modem i ModemManager (nyckeln Modem: dess IMEI,\n"
     u8"eller any) medan det är uppkopplat.\n"
     u8"\n"
     u8"  --choose-port     fråga efter modemets port (COM1 ... COM4) före väntan,\n"
     u8"                    och behåll valet för de följande körningarna\n"
     u8"  --interface NAMN  bevaka nätverksgränssnittet NAMN under den här körningen\n"
     u8"  --nm-connection ID  bevaka NetworkManagers förbindelse ID (namn eller UUID)\n"
     u8"  --modem ID        bevaka ModemManagers modem ID (IMEI, eller any)\n"
     u8"  --plan NAMN       ta tid på abonnemanget NAMN:s förbindelse, med egna\n"
     u8"                    inställningar, logg och summor i plans/NAMN i datakatalogen;\n"
     u8"                    ett nytt abonnemang börjar med standardabonnemangets\n"
     u8"                    inställningar och en tom logg\n"
     u8"  --all-plans       starta en väntande körning för varje abonnemang (också\n"
     u8"                    standardabonnemanget), på nytt efter varje session\n"
     u8"  --help            visa den här texten och avsluta\n"
     u8"  --version         visa versionen och avsluta\n"
     u8"\n"
     u8"Slutstatus: 0 efter en session eller när programmet stängts, 1 ingen bildskärm,\n"
     u8"2 ett felaktigt argument (också ett abonnemangs namn, eller ett nytt abonnemang\n"
     u8"som inte kunde skapas), 3 en annan Vindelor körs redan med samma datakatalog\n"
     u8"(samma abonnemang).\n"
     u8"\n"
     u8"Utan bildskärm, sätt QT_QPA_PLATFORM=offscreen för att ta tid på en förbindelse\n"
     u8"utan fönster (sätt då [Avsluta] Visa=Nej: ingen kunde stänga slutmeddelandet).\n",
     u8"Käyttö: vindelor [--plan NIMI] [--choose-port] [--interface NIMI]\n"
     u8"                 [--nm-connection ID] [--modem ID] [--help] [--version]\n"
     u8"        vindelor --all-plans\n"
     u8"\n"
     u8"Ajastaa yhden puhelinverkkoyhteyden ja kertoo, mitä se maksoi. Vindelor odottaa,\n"
     u8"kunnes modeemin sarjaportti varataan (soittaja pitää sitä), näyttää yhteysajan\n"
     u8"ja kertyvän maksun, ja kun portti vapautuu, se lisää istunnon lokiin ja\n"
     u8"summiin ja lopettaa.\n"
     u8"\n"
     u8"Asetukset, loki ja hintatiedosto ovat hakemistossa $VINDELOR_DIR, muuten\n"
     u8"$XDG_CONFIG_HOME/vindelor, muuten ~/.config/vindelor. COM1 ... COM4 vastaavat\n"
     u8"Vindelor.ini-tiedoston osan [Ports] laitteita (oletus /dev/ttyS0 ... /dev/ttyS3).\n"
     u8"\n"
     u8"Kun verkkoliitäntä on nimetty (mobiililaajakaista wwan0, puhelimen usb0, ppp0),\n"
     u8"yhteys on sen sijaan se, että liitäntä on ylhäällä ja toiminnassa; sarjaporttiin\n"
     u8"ei silloin kosketa. Osan [Connection] avain Interface nimeää sen pysyvästi.\n"
     u8"NetworkManagerin yhteys (avain NetworkManager: sen nimi tai UUID) kestää niin\n"
     u8"kauan kuin se on aktivoitu; ModemManagerin modeemi (avain Modem: sen IMEI tai\n"
     u8"any) niin kauan kuin se on yhdistetty.\n"
     u8"\n"
     u8"  --choose-port     kysy modeemin portti (COM1 ... COM4) ennen odotusta ja\n"
     u8"                    pidä valinta seuraavillakin kerroilla\n"
     u8"  --interface NIMI  valvo verkkoliitäntää NIMI tällä kerralla\n"
     u8"  --nm-connection ID  valvo NetworkManagerin yhteyttä ID (nimi tai UUID)\n"
     u8"  --modem ID        valvo ModemManagerin modeemia ID (IMEI tai any)\n"
     u8"  --plan NIMI       ajasta liittymän NIMI yhteys omilla asetuksilla, lokilla ja\n"
     u8"                    summilla datahakemiston kansiossa plans/NIMI; uusi liittymä\n"
     u8"                    saa oletusliittymän asetukset ja tyhjän lokin\n"
     u8"  --all-plans       käynnistä odottava ajo jokaiselle liittymälle (myös\n"
     u8"                    oletusliittymälle), uudelleen jokaisen istunnon jälkeen\n"
     u8"  --help            näytä tämä teksti ja lopeta\n"
     u8"  --version         näytä versio ja lopeta\n"
     u8"\n"
     u8"Paluuarvot: 0 istunnon jälkeen tai suljettaessa, 1 ei näyttöä, 2 virheellinen\n"
     u8"argumentti (myös liittymän nimi tai uusi liittymä, jota ei voitu luoda), 3 toinen\n"
     u8"Vindelor on jo käynnissä samalla datahakemistolla (samalla liittymällä).\n"
     u8"\n"
     u8"Ilman näyttöä aseta QT_QPA_PLATFORM=offscreen ajastaaksesi yhteyden ilman\n"
     u8"ikkunaa (aseta silloin [Avsluta] Visa=Nej: kukaan ei voisi sulkea loppuviestiä).\n",
     u8"Usage: vindelor [--plan NAME] [--choose-port] [--interface NAME]\n"
     u8"                [--nm-connection ID] [--modem ID] [--help] [--version]\n"
     u8"       vindelor --all-plans\n"
     u8"\n"
     u8"Times one dial-up connection and tells you what it cost. Vindelor waits until\n"
     u8"the modem's serial port turns busy (the dialer holds it), shows the connected\n"
     u8"time and the running cost, and when the port is free again appends the session\n"
     u8"to the log, adds it to the totals and ends.\n"
     u8"\n"
     u8"Settings, log and rate file live in $VINDELOR_DIR, else $XDG_CONFIG_HOME/vindelor,\n"
     u8"else ~/.config/vindelor. COM1 ... COM4 map to devices in section [Ports] of\n"
     u8"Vindelor.ini (defaults /dev/ttyS0 ... /dev/ttyS3).\n"
     u8"\n"
     u8"With a network interface named (mobile broadband wwan0, a phone's usb0, ppp0),\n"
     u8"a connection is that interface being up and running instead; the serial port\n"
     u8"is then left alone. Section [Connection], key Interface, names it for good.\n"
     u8"A connection of NetworkManager (key NetworkManager: its name or UUID) lasts\n"
     u8"while it is activated; a modem of ModemManager (key Modem: its IMEI, or any)\n"
     u8"while it is connected.\n"
     u8"\n"
     u8"  --choose-port     ask for the modem's port (COM1 ... COM4) before waiting,\n"
     u8"                    and keep the choice for the next runs\n"
     u8"  --interface NAME  watch the network interface NAME for this run\n"
     u8"  --nm-connection ID  watch NetworkManager's connection ID (name or UUID)\n"
     u8"  --modem ID        watch ModemManager's modem ID (IMEI, or any)\n"
     u8"  --plan NAME       time the link of the plan NAME, with its own settings, log\n"
     u8"                    and totals in plans/NAME of the data directory; a new plan\n"
     u8"                    starts from the default plan's settings with an empty log\n"
     u8"  --all-plans       start a waiting run for every plan (the default one too),\n"
     u8"                    again after each session; watches no link itself\n"
     u8"  --help            show this text and exit\n"
     u8"  --version         show the version and exit\n"
     u8"\n"
     u8"Exit codes: 0 after a session or when closed, 1 no display, 2 a wrong argument\n"
     u8"(a plan's name included, or a new plan that could not be made), 3 another\n"
     u8"Vindelor already runs with the same data directory (the same plan).\n"
     u8"\n"
     u8"Without a display, set QT_QPA_PLATFORM=offscreen to time a connection with no\n"
     u8"window (set [Avsluta] Visa=Nej then: nobody could close the closing message).\n"},
};

constexpr int kOwnTextCount = static_cast<int>(sizeof(kOwnTexts) / sizeof(kOwnTexts[0]));

// The look-up halves its range, so a row out of order would hide itself and its
// neighbours; a number of 300 or more would read as another language's text.
constexpr bool InAscendingOrderBelow300(const TextRow* rows, int count) {
    for (int i = 0; i < count; ++i) {
        if (rows[i].number < 1 || rows[i].number >= kFinnishOffset)
            return false;
        if (i > 0 && rows[i].number <= rows[i - 1].number)
            return false;
    }
    return true;
}
static_assert(InAscendingOrderBelow300(kTable, kTableTexts), "text table out of order");
static_assert(InAscendingOrderBelow300(kOwnTexts, kOwnTextCount), "own texts out of order");

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

QString LongText(OwnText n) {
    for (const TextRow& row : kLongTexts) {
        if (row.number == n) {
            const char* text = Column(row, LanguageOffset());
            return text ? QString::fromUtf8(text) : QString();
        }
    }
    return QString();
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
