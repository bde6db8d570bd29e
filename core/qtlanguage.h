// Qt's own texts (the file dialog, its overwrite question, standard buttons, the context
// menus of text fields) in the language the programs show: Swedish and Finnish from Qt's
// translations, English as Qt has them. Texts the programs keep in English stay so.
#pragma once

#include <QString>

namespace vindelor {

// Installs the translation of Qt's texts for the current language offset in place of
// the one before; does nothing while the language has not changed. Call on the GUI
// thread, whenever the language may have changed. A missing translation leaves Qt's
// English.
void FollowLanguageInQt();

// "sv" or "fi" while Qt's texts of that language are installed; empty for English or
// when the translation could not be found.
QString QtLanguageInForce();

}  // namespace vindelor
