// The programs' language, kept as "S", "SF" or "UK" in [Språk] "Språk" of the settings
// file. Until the user has chosen one, the desktop's language decides.
#pragma once

#include <QLocale>
#include <QString>

namespace vindelor {

// "S" for Swedish, "SF" for Finnish, "UK" for any other language.
QString LanguageCodeForLocale(QLocale::Language language);

enum class StoreLanguage { No, Yes };

// The stored language as a reader of `maxLength` characters gets it. With none stored
// (or an empty entry), the desktop's language's code instead, written to the settings
// file when `store` is Yes so that the programs keep speaking it whatever the desktop
// says later. A window's start stores; a command line that only prints does not.
// Storing also keeps the desktop's currency (its locale's region) in [Charge] "valuta"
// when no entry is there, so that every window shows the symbol the settings dialog
// proposes from the first start on; an entry, even an empty one, is never touched.
QString ProgramLanguage(int maxLength, StoreLanguage store);

}  // namespace vindelor
