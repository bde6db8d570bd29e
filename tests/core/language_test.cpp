#include "core/language.h"

#include "core/profile.h"
#include "platform/test/fakes.h"
#include "support/testenv.h"

#include <gtest/gtest.h>

namespace vindelor {
namespace {

QString StoredLanguage() {
    return GetProfileString(QStringLiteral("Språk"), QStringLiteral("Språk"),
                            QStringLiteral("<none>"), 10, kSettingsFile);
}

TEST(ProgramLanguage, FirstStartTakesTheDesktopsLanguageAndKeepsIt) {
    struct Case {
        QLocale::Language desktop;
        const char* code;
    };
    const Case cases[] = {{QLocale::Swedish, "S"},
                          {QLocale::Finnish, "SF"},
                          {QLocale::German, "UK"},
                          {QLocale::C, "UK"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        test::ScopedDataDir dir;
        platform::test::ScopedFakes fakes;
        fakes.regional.language = c.desktop;
        EXPECT_EQ(ProgramLanguage(5, StoreLanguage::No), QLatin1String(c.code));
        EXPECT_EQ(StoredLanguage(), QStringLiteral("<none>")) << "a reader that does not store";
        EXPECT_EQ(ProgramLanguage(5, StoreLanguage::Yes), QLatin1String(c.code));
        EXPECT_EQ(StoredLanguage(), QLatin1String(c.code));
        // The desktop changes its language later: the stored one stays.
        fakes.regional.language =
            c.desktop == QLocale::Finnish ? QLocale::Swedish : QLocale::Finnish;
        EXPECT_EQ(ProgramLanguage(5, StoreLanguage::Yes), QLatin1String(c.code));
        EXPECT_EQ(StoredLanguage(), QLatin1String(c.code));
    }
}

TEST(ProgramLanguage, AStoredLanguageIsReadAsBefore) {
    test::ScopedDataDir dir;
    platform::test::ScopedFakes fakes;
    fakes.regional.language = QLocale::Finnish;
    // Any stored value is the user's, even one no program knows; readers cut it as before.
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Språk"), QStringLiteral("Språk"),
                                   QStringLiteral("UKX"), kSettingsFile));
    EXPECT_EQ(ProgramLanguage(5, StoreLanguage::Yes), QStringLiteral("UKX"));
    EXPECT_EQ(ProgramLanguage(3, StoreLanguage::Yes), QStringLiteral("UK"));
    EXPECT_EQ(StoredLanguage(), QStringLiteral("UKX"));
}

}  // namespace
}  // namespace vindelor
