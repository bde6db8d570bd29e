#include "dialogs/helpresources.h"

#include "core/sessionglobals.h"
#include "core/texts.h"
#include "dialogs/settingsdlg.h"
#include "platform/qt/qtservices.h"
#include "platform/test/fakes.h"
#include "support/testenv.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace vindelor {
namespace {

const char* const kHelpFiles[] = {"SVindelor", "SFVindelor", "UKVindelor"};
const int kContexts[] = {1, 2, 4, 5, 9};

QString HelpText(const QString& file) {
    InitHelpResources();
    QFile f(QStringLiteral(":/help/%1.html").arg(file));
    if (!f.open(QIODevice::ReadOnly)) {
        return QString();
    }
    return QString::fromUtf8(f.readAll());
}

// Anchor names as the help window's document sees them, not as the markup spells them.
QStringList DocumentAnchors(const QString& html) {
    QTextDocument document;
    document.setHtml(html);
    QStringList anchors;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            anchors << it.fragment().charFormat().anchorNames();
        }
    }
    return anchors;
}

TEST(HelpFiles, EachLanguageHasEveryContextTopic) {
    for (const char* name : kHelpFiles) {
        SCOPED_TRACE(name);
        const QString html = HelpText(QString::fromLatin1(name));
        ASSERT_FALSE(html.isEmpty()) << "missing from the resources";
        const QStringList anchors = DocumentAnchors(html);
        for (int context : kContexts) {
            EXPECT_TRUE(anchors.contains(QStringLiteral("context-%1").arg(context)))
                << "context " << context;
        }
        // Every internal link leads somewhere.
        const QRegularExpression link(QStringLiteral("href=\"#([^\"]+)\""));
        for (auto it = link.globalMatch(html); it.hasNext();) {
            const QString target = it.next().captured(1);
            EXPECT_TRUE(anchors.contains(target)) << target.toStdString();
        }
    }
}

TEST(HelpFiles, DescribeTheMenuAndTheWaitAsTheUserSeesThem) {
    const std::pair<const char*, int> files[] = {{"SVindelor", kSwedishOffset},
                                                 {"SFVindelor", kFinnishOffset},
                                                 {"UKVindelor", kEnglishOffset}};
    for (const auto& [name, offset] : files) {
        SCOPED_TRACE(name);
        const QString html = HelpText(QString::fromLatin1(name));
        // The pop-up menu's items under the names the menu gives them.
        for (int item : {12, 86, 13, 14, 15, 16, 117}) {
            const QString caption = LoadText(item + offset);
            EXPECT_TRUE(html.contains(QStringLiteral("<li><b>%1</b>").arg(caption.toHtmlEscaped())))
                << caption.toStdString();
        }
        // The settings dialog's menu and Brusko's, item by item.
        for (const QString& caption :
             {LoadText(48 + offset), LoadText(kOwnTextBase + kTextConnectionMenu + offset),
              LoadText(kOwnTextBase + kTextBudgetPage + offset), QStringLiteral("Vindelor refresh"),
              LoadText(kOwnTextBase + kTextMonthsMenu + offset),
              LoadText(kOwnTextBase + kTextExportMenu + offset)}) {
            EXPECT_TRUE(html.contains(QStringLiteral("<b>%1</b>").arg(caption.toHtmlEscaped())))
                << caption.toStdString();
        }
        EXPECT_TRUE(html.contains(QStringLiteral("vindelor --choose-port")));
        // There is no taskbar button here: the program waits behind its tray icon.
        for (const char* word : {"taskbar", "aktivitetsfält", "tehtäväpalk"}) {
            EXPECT_FALSE(html.contains(QString::fromUtf8(word), Qt::CaseInsensitive)) << word;
        }
    }
}

TEST(HelpFiles, TellWhereTheFilesAndPortsAre) {
    for (const char* name : kHelpFiles) {
        SCOPED_TRACE(name);
        const QString html = HelpText(QString::fromLatin1(name));
        for (const char* must :
             {"$VINDELOR_DIR", "$XDG_CONFIG_HOME/vindelor", "~/.config/vindelor", "[Ports]",
              "dialout", "Vindelor.ini", "Vindelor.log", "Vindelor.dta", "Brusko", "Ristola"}) {
            EXPECT_TRUE(html.contains(QString::fromUtf8(must))) << must;
        }
    }
}

TEST(HelpFiles, AreWrittenInTheirOwnLanguage) {
    // A word each language uses often and the others never do.
    const std::pair<const char*, const char*> samples[] = {
        {"SVindelor", "avgift"}, {"SFVindelor", "maksu"}, {"UKVindelor", "rate"}};
    for (const auto& [file, word] : samples) {
        for (const char* other : kHelpFiles) {
            const QString text = HelpText(QString::fromLatin1(other)).toLower();
            EXPECT_EQ(text.count(QString::fromLatin1(word)) > 5,
                      QString::fromLatin1(file) == QString::fromLatin1(other))
                << other << " / " << word;
        }
    }
}

class HelpRouteTest : public ::testing::Test {
  protected:
    void SetUp() override {
        savedOffset_ = LanguageOffset();
        SessionGlobals() = SessionGlobalsT{};
    }
    void TearDown() override {
        SetLanguageOffset(savedOffset_);
        SessionGlobals() = SessionGlobalsT{};
    }
    test::ScopedDataDir dir_;
    int savedOffset_ = 0;
};

TEST_F(HelpRouteTest, SettingsHelpButtonOpensAnExistingTopic) {
    const std::pair<const char*, int> languages[] = {
        {"S", kSwedishOffset}, {"SF", kFinnishOffset}, {"UK", kEnglishOffset}};
    for (const auto& [code, offset] : languages) {
        platform::test::ScopedFakes fakes;
        SessionGlobals().LanguageCode = QString::fromLatin1(code);
        SetLanguageOffset(offset);
        TSettingsDlg dlg;
        dlg.BitBtn3Click();
        ASSERT_EQ(fakes.help.calls.size(), 1u);
        const auto& [file, context] = fakes.help.calls[0];
        EXPECT_EQ(file, HelpFileForCode(QString::fromLatin1(code)));
        EXPECT_EQ(context, 1);
        EXPECT_TRUE(
            DocumentAnchors(HelpText(file)).contains(QStringLiteral("context-%1").arg(context)));
    }
}

TEST_F(HelpRouteTest, HelpWindowOpensTheCompiledFileAtTheTopic) {
    InitHelpResources();
    QWidget owner;
    ASSERT_TRUE(platform::QtHelpViewerInstance().ShowHelp(&owner, QStringLiteral("SFVindelor"), 5));
    auto* browser = owner.findChild<QTextBrowser*>(QStringLiteral("HelpBrowser"));
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->source().fragment(), QStringLiteral("context-5"));
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("Ruuhka- ja normaalimaksut")));
    // The window's own button speaks the help file's language.
    auto* buttons = browser->window()->findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Close)->text(), QStringLiteral("Sulje"));
    if (auto* window = qobject_cast<QDialog*>(browser->window())) {
        window->close();
    }
}

}  // namespace
}  // namespace vindelor
