#include "core/qtlanguage.h"

#include "core/texts.h"
#include "platform/qt/qtservices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

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

// Our boxes (the quit question, Brusko's delete question, Ristola's message) answer in
// the user's language, with Enter on the default button.
TEST(QtLanguage, OurBoxesButtonsSpeakTheProgramsLanguage) {
    using platform::MessageBoxes;
    struct Case {
        int offset;
        MessageBoxes::Buttons buttons;
        QStringList captions;  // in the order shown, the default first
    };
    const Case cases[] = {
        {kFinnishOffset, MessageBoxes::Buttons::YesNo, {"&Kyllä", "&Ei"}},
        {kSwedishOffset, MessageBoxes::Buttons::YesNo, {"&Ja", "&Nej"}},
        {kSwedishOffset, MessageBoxes::Buttons::NoOk, {"&Nej", "OK"}},
        {kEnglishOffset, MessageBoxes::Buttons::YesNo, {"&Yes", "&No"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.captions.join(QLatin1Char(' ')).toStdString());
        SetLanguageOffset(c.offset);
        FollowLanguageInQt();
        QStringList seen;
        QString byDefault;
        auto* poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, poll, [&, poll] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr)
                return;
            poll->stop();
            poll->deleteLater();
            for (QAbstractButton* b : box->buttons())
                seen << b->text();
            byDefault = box->defaultButton() ? box->defaultButton()->text() : QString();
            if (box->defaultButton())
                box->defaultButton()->click();
            else
                box->reject();
        });
        poll->start(5);
        platform::QtMessageBoxesInstance().Show(nullptr, QStringLiteral("Vindelor"),
                                                QStringLiteral("?"), MessageBoxes::Icon::Question,
                                                c.buttons);
        seen.sort();
        QStringList expected = c.captions;
        expected.sort();
        EXPECT_EQ(seen, expected);
        EXPECT_EQ(byDefault, c.captions.first());
    }
    SetLanguageOffset(kSwedishOffset);
}

}  // namespace
}  // namespace vindelor
