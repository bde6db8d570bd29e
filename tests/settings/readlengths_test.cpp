// Every read of the settings file in the three programs passes the maximum length that
// the file's readers have always passed (the value comes back cut to one less). A length
// one short reads a stored "100.5" back as "100." and a setting saved again from a dialog
// loses its last character.
#include "monitor/mainwindow_fixture.h"

#include "converter/tuneup.h"
#include "core/sessionlog.h"
#include "dialogs/advanceddlg.h"
#include "dialogs/refreshdlg.h"
#include "dialogs/settingsdlg.h"
#include "monitor/adjust.h"
#include "monitor/fmodem.h"
#include "viewer/logstore.h"
#include "viewer/mainform.h"

#include <QFileInfo>
#include <QMenu>
#include <QRegularExpression>

#include <set>
#include <tuple>

namespace vindelor::test {
namespace {

// Reader, section and key in lower case, the class number at the end of a key ("Avg3",
// "Rate1", "simpel_$2", "COM4") as "n", and the length.
using SettingRead = std::tuple<std::string, std::string, std::string, int>;

const char* g_reader = "";
std::set<SettingRead>* g_reads = nullptr;

std::string Normalised(const QString& name) {
    QString n = name.toLower();
    n.replace(QRegularExpression(QStringLiteral("[1-4]$")), QStringLiteral("n"));
    return n.toStdString();
}

void Record(const QString& file, const QString& section, const QString& key, int maxLength) {
    if (QFileInfo(file).fileName().compare(kSettingsFile, Qt::CaseInsensitive) == 0) {
        g_reads->insert({g_reader, Normalised(section), Normalised(key), maxLength});
    }
}

// Reader, section, key, length. A key read with two lengths by one reader has two rows.
const SettingRead kTable[] = {
    // The main program: start-up, session start and close.
    {"vindelor", "avgifter", "avgn", 14},
    {"vindelor", "avsluta", "visa", 10},
    {"vindelor", "charge", "per_min", 20},
    {"vindelor", "charge", "minimi", 20},
    {"vindelor", "charge", "valuta", 10},
    {"vindelor", "charge", "simpel", 5},
    {"vindelor", "charge", "simpel_h", 5},
    {"vindelor", "charge", "simpel_$n", 14},
    {"vindelor", "connect", "average", 10},
    {"vindelor", "försök", "antal", 10},
    {"vindelor", "initial", "raten", 5},
    {"vindelor", "initial", "pris_rn", 14},
    {"vindelor", "kostnad", "totalt", 30},
    {"vindelor", "modem", "port", 10},
    {"vindelor", "modem", "port", 5},
    {"vindelor", "nättid", "totalt", 49},
    {"vindelor", "peakspec", "raten", 9},
    // Sections of this version's own: device paths, the watched interface, the budget.
    {"vindelor", "billing", "budget", 1024},
    {"vindelor", "billing", "datahangupat", 1024},
    {"vindelor", "billing", "datawarn", 1024},
    {"vindelor", "billing", "dates", 1024},
    {"vindelor", "billing", "hangup", 1024},
    {"vindelor", "billing", "hangupat", 1024},
    {"vindelor", "billing", "holidays", 1024},
    {"vindelor", "billing", "nextminute", 1024},
    {"vindelor", "billing", "startday", 1024},
    {"vindelor", "billing", "warn", 1024},
    {"vindelor", "connection", "grace", 10},
    {"vindelor", "connection", "interface", 64},
    {"vindelor", "connection", "modem", 256},
    {"vindelor", "connection", "networkmanager", 256},
    {"vindelor", "connection", "sim", 256},
    {"vindelor", "data", "dayfee", 1024},
    {"vindelor", "data", "included", 1024},
    {"vindelor", "data", "interface", 1024},
    {"vindelor", "data", "metered", 1024},
    {"vindelor", "data", "permb", 1024},
    {"vindelor", "data", "unit", 1024},
    {"vindelor", "ports", "comn", 256},
    {"vindelor", "position", "left", 6},
    {"vindelor", "position", "top", 6},
    {"vindelor", "refresh", "rate", 10},
    {"vindelor", "roaming", "hangupat", 1024},
    {"vindelor", "roaming", "included", 1024},
    {"vindelor", "roaming", "permb", 1024},
    {"vindelor", "roaming", "permin", 1024},
    {"vindelor", "roaming", "unit", 1024},
    {"vindelor", "roaming", "warn", 1024},
    {"vindelor", "session", "<1min", 5},
    {"vindelor", "session", "avrundning", 5},
    {"vindelor", "session", "försök", 5},
    {"vindelor", "session", "multiple", 5},
    {"vindelor", "session", "peakspec", 5},
    {"vindelor", "session", "räknare", 5},
    {"vindelor", "språk", "språk", 5},
    {"vindelor", "överv", "intervall", 5},
    {"port dialog", "charge", "valuta", 10},
    {"port dialog", "ports", "comn", 256},
    {"port dialog", "språk", "språk", 5},
    {"check-rate dialog", "refresh", "rate", 9},
    {"adjust dialog", "överv", "intervall", 5},
    {"settings dialog", "avsluta", "visa", 10},
    {"settings dialog", "charge", "minimi", 20},
    {"settings dialog", "charge", "per_min", 20},
    {"settings dialog", "charge", "valuta", 10},
    {"settings dialog", "connect", "average", 10},
    {"settings dialog", "session", "multiple", 5},
    {"settings dialog", "session", "räknare", 5},
    // Prices are read up to the 20 characters the save accepts (earlier versions: 7 and
    // 10), so that opening and saving again never shortens one.
    {"advanced dialog", "avgifter", "avgn", 21},
    {"advanced dialog", "charge", "simpel", 5},
    {"advanced dialog", "charge", "simpel_$n", 21},
    {"advanced dialog", "charge", "simpel_h", 6},
    {"advanced dialog", "initial", "pris_rn", 21},
    {"advanced dialog", "initial", "raten", 5},
    {"advanced dialog", "peakspec", "raten", 9},
    {"advanced dialog", "session", "<1min", 5},
    {"advanced dialog", "session", "avrundning", 5},
    {"advanced dialog", "session", "försök", 5},
    {"advanced dialog", "session", "multiple", 5},
    {"advanced dialog", "session", "må-fre", 5},
    {"advanced dialog", "session", "peakspec", 5},
    {"advanced dialog", "session", "räknare", 5},
    {"brusko", "aktiv", "aktiv", 5},
    {"brusko", "charge", "per_min", 10},
    {"brusko", "charge", "valuta", 19},
    {"brusko", "charge", "valuta", 7},
    {"brusko", "charge", "valuta", 10},
    {"brusko", "kostnad", "totalt", 19},
    {"brusko", "kostnad", "totalt", 10},
    {"brusko", "nättid", "totalt", 15},
    {"brusko", "session", "räknare", 5},
    {"brusko", "språk", "språk", 5},
    {"ristola", "charge", "per_min", 10},
    {"ristola", "session", "räknare", 5},
};

class ReadLengths : public MainWindowTest {
  protected:
    ReadLengths() {
        g_reads = &reads;
        SetProfileReadObserver(Record);
    }
    ~ReadLengths() override {
        SetProfileReadObserver(nullptr);
        g_reads = nullptr;
    }
    std::set<SettingRead> reads;
};

TEST_F(ReadLengths, EveryReaderPassesTheLengthOfTheTable) {
    // Every switch on, so that each reader reaches every key it can read.
    for (const char* key : {"Multiple", "PeakSpec", "Försök", "<1min"}) {
        Ini(QStringLiteral("Session"), QString::fromUtf8(key), QStringLiteral("Ja"));
    }
    for (int k = 1; k <= 4; ++k) {
        Ini(QStringLiteral("Initial"), QStringLiteral("Rate%1").arg(k), QStringLiteral("Ja"));
        Ini(QStringLiteral("Avgifter"), QStringLiteral("Avg%1").arg(k), QStringLiteral("0.5"));
    }
    ASSERT_TRUE(RewriteLog({QStringLiteral("01.12.1999 10:00:00-00:10:00")}));

    Ini(QStringLiteral("Modem"), QStringLiteral("Port"), QStringLiteral("COM1"));
    g_reader = "vindelor";
    // Cost monitoring off with the usage package, then on with the rate classes.
    for (const char* off : {"Ja", "Nej"}) {
        Ini(QStringLiteral("Session"), QString::fromUtf8("Räknare"), QString::fromUtf8(off));
        Ini(QStringLiteral("Charge"), QStringLiteral("simpel"), QString::fromUtf8(off));
        Create(false);
        emit form->PopupMenu1->aboutToShow();
        StartSession();
        Run(5);  // shorter than the average connect time: a failed try
        Release();
        form.reset();
    }
    g_reader = "port dialog";
    { TFModem dialog; }
    g_reader = "check-rate dialog";
    { TRefreshDlg dialog; }
    g_reader = "adjust dialog";
    { TAdjustDlg dialog; }
    g_reader = "settings dialog";
    { TSettingsDlg dialog; }
    g_reader = "advanced dialog";
    Ini(QStringLiteral("Charge"), QStringLiteral("simpel"), QStringLiteral("Ja"));
    { TAdvancedDlg dialog; }
    g_reader = "brusko";
    {
        brusko::TForm1 viewer;
        QString label;
        brusko::CostLabelAfterSettings(QStringLiteral("mk"), &label);
        brusko::DeleteRows(brusko::LoadListing().lines, {});
    }
    g_reader = "ristola";
    ristola::RunTuneUp();

    const std::set<SettingRead> table(std::begin(kTable), std::end(kTable));
    for (const auto& [reader, section, key, length] : reads) {
        EXPECT_TRUE(table.count({reader, section, key, length}))
            << reader << " reads [" << section << "] " << key << " with length " << length;
    }
    for (const auto& [reader, section, key, length] : table) {
        EXPECT_TRUE(reads.count({reader, section, key, length}))
            << reader << " never read [" << section << "] " << key << " with length " << length;
    }
}

}  // namespace
}  // namespace vindelor::test
