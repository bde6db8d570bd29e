#include "core/language.h"

#include "core/profile.h"
#include "platform/datadir.h"
#include "platform/services.h"

namespace vindelor {

QString LanguageCodeForLocale(QLocale::Language language) {
    switch (language) {
        case QLocale::Swedish:
            return QStringLiteral("S");
        case QLocale::Finnish:
            return QStringLiteral("SF");
        default:
            return QStringLiteral("UK");
    }
}

namespace {

void KeepDesktopCurrency() {
    const QString section = QStringLiteral("Charge");
    const QString key = QStringLiteral("valuta");
    // A marker no reader's default can be: an empty entry counts as an entry.
    const QString missing = QStringLiteral("\x01");
    if (GetProfileString(section, key, missing, 10, kSettingsFile) == missing) {
        WriteProfileString(section, key, platform::Region().CurrencySymbol(), kSettingsFile);
    }
}

}  // namespace

QString ProgramLanguage(int maxLength, StoreLanguage store) {
    if (store == StoreLanguage::Yes) {
        KeepDesktopCurrency();
    }
    const QString section = QStringLiteral("Språk");
    const QString stored = GetProfileString(section, section, QString(), maxLength, kSettingsFile);
    if (!stored.isEmpty()) {
        return stored;
    }
    // A plan speaks the default plan's language until it is given one of its own.
    const QString defaultSettings =
        platform::SelectedPlan().isEmpty()
            ? kSettingsFile
            : platform::BaseDataDirectory() + QLatin1Char('/') + kSettingsFile;
    if (defaultSettings != kSettingsFile) {
        const QString inherited =
            GetProfileString(section, section, QString(), maxLength, defaultSettings);
        if (!inherited.isEmpty()) {
            return inherited;
        }
    }
    const QString code = LanguageCodeForLocale(platform::Region().Language());
    if (store == StoreLanguage::Yes) {
        // Not stored, the next start asks the desktop again: nothing is lost.
        WriteProfileString(section, section, code, defaultSettings);
    }
    return code.left(maxLength - 1);
}

}  // namespace vindelor
