// What the log viewer does to the stored files: fill the listing, delete rows, recount
// the cost. No widgets: the window and the command line share these.
#pragma once

#include "core/billing.h"
#include "core/language.h"
#include "viewer/plans.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace vindelor::brusko {

inline const QString kProgramTitle = QStringLiteral("Brusko");

// Everything the window shows after start-up.
struct Listing {
    QStringList lines;      // the log lines, key "1" first
    QStringList rows;       // list rows, one per line
    QStringList clipboard;  // clipboard lines in the start form
    QString label1;         // total time
    QString label2;         // currency, blank, total cost; empty while cost monitoring is off
    bool costFrameVisible = true;
    QString currencyPrefix;  // "Charge"/"Valuta", at most 10 characters
    QString keptTemporary;   // where a "Vindelor.ny" with lines not in the log was kept
};

// The log lines as the window lists them: from key "1" up to the first gap or "#", each
// whole.
QStringList LoadLogLines();

// The listed lines dated as the user's locale writes dates (see DateLogLines). Clears
// away an interrupted deletion first, as the listing does.
DatedLog LoadDatedLog();
// The date format a log written here now has: the user's short date.
QString LogDateFormat();
// [Billing] "StartDay" of the settings file, 1 when unset or not 1 … 31.
int StoredStartDay();
// The currency as costs show it ("Charge"/"Valuta"), at most 10 characters.
QString StoredCurrencyPrefix();

// The selected plan's log and the settings its months are counted by.
PlanLog LoadPlanLog();
// Every plan: the default one first, then the others by name, each read as a run on
// that plan reads it; the plan selected before is selected again.
std::vector<PlanLog> LoadPlanLogs();

// Reads settings and log as the window does when it opens. A temporary file left by an
// interrupted deletion is cleared away first (DiscardInterruptedDeletion).
Listing LoadListing();

// A deletion replaces the log only by renaming a complete temporary file over it, so a
// "Vindelor.ny" found at start belongs to a deletion that never finished while the log
// is still whole: it is removed. One that holds lines the log does not (left by an
// earlier version, or put there by hand) is kept as "Vindelor.ny.1" (or the first free
// number), given in *keptAs. Should the log itself be missing, the temporary file is the
// only copy left and becomes the log. Returns true when a file was found.
bool DiscardInterruptedDeletion(QString* keptAs = nullptr);

// Sets the language from "Språk"/"Språk" (with none stored, the desktop's language; see
// ProgramLanguage): "S", "SF" or "UK"; any other value gives Swedish, the offset the
// program starts with.
void SelectStoredLanguage(StoreLanguage store = StoreLanguage::No);

// The cost label after the settings dialog: empty while cost monitoring is off, else the
// currency prefix, a blank and "Kostnad"/"Totalt". Returns whether the frame shows.
bool CostLabelAfterSettings(const QString& currencyPrefix, QString* label2);

// True while the main program has a session open ("Aktiv"/"Aktiv" is not "Nej").
bool SessionOpen();

enum class DeleteStatus { Deleted, SessionOpen, Failed };

struct DeleteResult {
    DeleteStatus status = DeleteStatus::Failed;
    QString error;          // file and system reason of a failed deletion (log unchanged)
    QStringList lines;      // the lines the log lists after the deletion
    QStringList rows;       // its list rows
    QStringList clipboard;  // its clipboard lines, in the post-deletion form
    QString label1;         // the new total time
    bool label2Changed = false;
    QString label2;   // new text of the cost label when label2Changed
    int removed = 0;  // lines taken out of the log
    int stale = 0;    // selected rows the log no longer held as listed (kept)
    // Deleted, but the new totals could not all be stored: file and system reason.
    QString totalsError;
    QString keptTemporary;  // where a "Vindelor.ny" with lines not in the log was kept
};

// Deletes the listed rows `selected` (0-based indexes into `listedLines`) and recomputes
// the stored totals from the lines that stay. Holds the profile lock throughout and reads
// the log again under it: a row goes only when its key still holds the listed text, and a
// line appended after the listing was filled stays. The kept lines are written to
// "Vindelor.ny", checked, and renamed over "Vindelor.log" in one step.
DeleteResult DeleteRows(const QStringList& listedLines, const std::vector<int>& selected);

// Points a deletion passes; a test can stop the process at one of them.
enum class DeletionStep { TemporaryWritten, LogReplaced, TotalsWritten };
using DeletionHook = std::function<void(DeletionStep)>;
void SetDeletionHook(DeletionHook hook);

struct RecountResult {
    QString costText;  // as stored in "Kostnad"/"Totalt"
    int failedTries = 0;
    QString label2;  // currency prefix, blank, cost text
    QString error;   // file and system reason when the totals could not be stored
};

// Recounts the cost total and the failed tries from the listed rows and stores both.
RecountResult RecalculateTotals(const QStringList& rows, const QString& currencyPrefix);

}  // namespace vindelor::brusko
