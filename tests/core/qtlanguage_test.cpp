#include "core/qtlanguage.h"

#include "core/texts.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace vindelor {
namespace {

// Qt's standard buttons and its file dialog's question read the texts through the
// installed translators, as these look-ups do.
TEST(QtLanguage, QtsOwnTextsFollowTheProgramsLanguageAndEnglishStaysQts) {
    const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    const auto replace = [] {
        return QCoreApplication::translate("QFileDialog",
                                           "%1 already exists.\nDo you want to replace it?");
    };
    const QString englishReplace = replace();
    struct Case {
        int offset;
        const char* language;
        const char* cancel;
    };
    const Case cases[] = {
        {kFinnishOffset, "fi", "Peru"},
        {kSwedishOffset, "sv", "Avbryt"},
        {kEnglishOffset, "", "Cancel"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        SetLanguageOffset(c.offset);
        FollowLanguageInQt();
        EXPECT_EQ(QtLanguageInForce(), QLatin1String(c.language));
        EXPECT_EQ(cancel(), QString::fromUtf8(c.cancel));
        EXPECT_EQ(replace() == englishReplace, c.offset == kEnglishOffset);
    }
}

}  // namespace
}  // namespace vindelor
