// The locale-dependent texts (log date and time, currency symbol, time separator), the
// message boxes' fixed button captions and the installing of service sets.
#include "platform/services.h"
#include "platform/localetexts.h"
#include "platform/qt/qtservices.h"
#include "platform/test/fakes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace vindelor::platform {
namespace {

const QDate kDate(1999, 12, 6);
const QTime kTime(14, 5, 9);

std::vector<QLocale> EveryLocale() {
    std::vector<QLocale> all;
    for (const QLocale& l : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript,
                                                     QLocale::AnyTerritory)) {
        all.push_back(l);
    }
    return all;
}

// What a log reader relies on: no blank, "-", "^" or "+", nothing outside ASCII, and
// room for the rest of the line.
void ExpectSafeForTheLog(const QString& text, const QLocale& locale) {
    for (const QChar c : text) {
        EXPECT_TRUE(c.unicode() > 0x20 && c.unicode() < 0x7F)
            << locale.name().toStdString() << ": " << text.toStdString();
        EXPECT_FALSE(c == '-' || c == '^' || c == '+')
            << locale.name().toStdString() << ": " << text.toStdString();
    }
}

TEST(LocaleTexts, LogDateKeepsNumericFormatsAndFallsBackForTheRest) {
    struct Case {
        const char* locale;
        const char* expected;
    };
    const Case cases[] = {
        {"fi_FI", "6.12.1999"},   // the user's own short date
        {"de_DE", "06.12.99"},    // two-digit year
        {"en_US", "12/6/99"},     // month first, slashes
        {"sv_SE", "06.12.1999"},  // ISO date: "-" would move the readers' split points
        {"ko_KR", "06.12.1999"},  // blanks in the short date
        {"ar_EG", "06.12.1999"},  // native digits and marks the log cannot hold
    };
    for (const Case& c : cases) {
        LocaleClock clock{QLocale(QString::fromLatin1(c.locale))};
        EXPECT_EQ(clock.DateText(kDate), QString::fromLatin1(c.expected)) << c.locale;
    }
}

TEST(LocaleTexts, NoLocaleBreaksTheLogLine) {
    ASSERT_GT(EveryLocale().size(), 100u);
    // Every locale Qt knows, with the longest day and month numbers.
    const QDate longest(2038, 12, 31);
    for (const QLocale& locale : EveryLocale()) {
        LocaleClock clock(locale);
        for (const QDate& d : {kDate, longest}) {
            const QString date = clock.DateText(d);
            ExpectSafeForTheLog(date, locale);
            EXPECT_LE(date.size(), 21) << locale.name().toStdString();
            EXPECT_TRUE(date.contains(QString::number(d.day())))
                << locale.name().toStdString() << ": " << date.toStdString();
        }
        const QString time = clock.TimeText(QTime(23, 59, 58));
        ExpectSafeForTheLog(time, locale);
        // 24 hours with seconds, whatever the locale's own clock says.
        static const QRegularExpression form(QStringLiteral("^23([:.])59\\g1(58)$"));
        EXPECT_TRUE(form.match(time).hasMatch())
            << locale.name().toStdString() << ": " << time.toStdString();
    }
}

TEST(LocaleTexts, LogTimeUsesTheLocaleSeparatorOnlyWhenItIsAPointOrAColon) {
    EXPECT_EQ(LocaleClock(QLocale(QStringLiteral("fi_FI"))).TimeText(kTime), "14.05.09");
    EXPECT_EQ(LocaleClock(QLocale(QStringLiteral("en_US"))).TimeText(kTime), "14:05:09");
    EXPECT_EQ(LocaleClock(QLocale::c()).TimeText(QTime(0, 0, 0)), "00:00:00");
}

TEST(LocaleTexts, RegionalValuesWithTheirDefaults) {
    struct Case {
        QLocale locale;
        QString currency;
        QChar separator;
    };
    const Case cases[] = {
        {QLocale(QStringLiteral("fi_FI")), QString(QChar(0x20AC)), QLatin1Char('.')},
        {QLocale(QStringLiteral("en_US")), QStringLiteral("$"), QLatin1Char(':')},
        {QLocale(QStringLiteral("en_GB")), QString(QChar(0xA3)), QLatin1Char(':')},
        // No currency at all: the default.
        {QLocale::c(), QStringLiteral("$"), QLatin1Char(':')},
        // A symbol the settings file cannot hold: its ISO code instead of "?".
        {QLocale(QStringLiteral("ru_RU")), QStringLiteral("RUB"), QLatin1Char(':')},
    };
    // The language the programs choose at their first start.
    EXPECT_EQ(LocaleRegional(QLocale(QStringLiteral("sv_FI"))).Language(), QLocale::Swedish);
    EXPECT_EQ(LocaleRegional(QLocale(QStringLiteral("fi_FI"))).Language(), QLocale::Finnish);
    EXPECT_EQ(LocaleRegional(QLocale(QStringLiteral("de_DE"))).Language(), QLocale::German);
    for (const Case& c : cases) {
        LocaleRegional regional(c.locale);
        EXPECT_EQ(regional.CurrencySymbol(), c.currency) << c.locale.name().toStdString();
        EXPECT_EQ(regional.TimeSeparator(), c.separator) << c.locale.name().toStdString();
    }
    for (const QLocale& locale : EveryLocale()) {
        LocaleRegional regional(locale);
        const QChar sep = regional.TimeSeparator();
        EXPECT_FALSE(sep.isLetterOrNumber() || sep.isSpace() || sep == '-')
            << locale.name().toStdString();
        EXPECT_FALSE(regional.CurrencySymbol().isEmpty()) << locale.name().toStdString();
        EXPECT_FALSE(regional.CurrencySymbol().contains(QLatin1Char('?')))
            << locale.name().toStdString();
    }
}

// Runs `act` on the message box once it is up, from inside its own event loop.
void WhenBoxShows(const std::function<void(QMessageBox*)>& act) {
    auto* poll = new QTimer;
    const QDeadlineTimer deadline(10000);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act, deadline] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr && !deadline.hasExpired())
            return;
        poll->stop();
        poll->deleteLater();
        if (box != nullptr)
            act(box);
    });
    poll->start(5);
}

TEST(QtMessageBoxes, QtsStandardCaptionsAndTheAnswerOfTheButtonPressed) {
    using Buttons = MessageBoxes::Buttons;
    using Answer = MessageBoxes::Answer;
    struct Case {
        Buttons buttons;
        QStringList captions;  // in the order shown
        QString press;
        Answer expected;
    };
    const Case cases[] = {
        {Buttons::Ok, {"OK"}, "OK", Answer::Ok},
        {Buttons::YesNo, {"&Yes", "&No"}, "&Yes", Answer::Yes},
        {Buttons::YesNo, {"&Yes", "&No"}, "&No", Answer::No},
        {Buttons::NoOk, {"&No", "OK"}, "OK", Answer::Ok},
        {Buttons::NoOk, {"&No", "OK"}, "&No", Answer::No},
    };
    for (const Case& c : cases) {
        QStringList seen;
        QString title;
        QString body;
        WhenBoxShows([&](QMessageBox* box) {
            title = box->windowTitle();
            body = box->text();
            QAbstractButton* press = nullptr;
            for (QAbstractButton* b : box->buttons()) {
                seen << b->text();
                if (b->text() == c.press)
                    press = b;
            }
            if (press != nullptr)
                press->click();
            else
                box->reject();
        });
        const Answer answer = QtMessageBoxesInstance().Show(
            nullptr, QStringLiteral("Vindelor"), QStringLiteral("Sluta?"),
            MessageBoxes::Icon::Question, c.buttons);
        EXPECT_EQ(title, "Vindelor");
        EXPECT_EQ(body, "Sluta?");
        seen.sort();
        QStringList expected = c.captions;
        expected.sort();
        EXPECT_EQ(seen, expected);
        EXPECT_EQ(answer, c.expected) << c.press.toStdString();
    }
}

// The window's close button and Escape answer a yes-or-no question with No.
TEST(QtMessageBoxes, ClosingWithoutAButtonAnswersNo) {
    for (const bool escape : {false, true}) {
        WhenBoxShows([escape](QMessageBox* box) {
            if (escape) {
                QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(box, &key);
            } else {
                box->close();
            }
        });
        const auto answer = QtMessageBoxesInstance().Show(nullptr, QString(), QStringLiteral("?"),
                                                          MessageBoxes::Icon::Question,
                                                          MessageBoxes::Buttons::YesNo);
        EXPECT_EQ(answer, MessageBoxes::Answer::No) << (escape ? "Escape" : "close");
    }
}

TEST(ServiceSets, APartialSetKeepsTheOthersAndTheOldSetComesBack) {
    const Services before = Current();
    {
        test::FakeTicks ticks;
        const Services previous = Install({&ticks, nullptr, nullptr, nullptr, nullptr, nullptr});
        EXPECT_EQ(previous.ticks, before.ticks);
        EXPECT_EQ(&Ticks(), &ticks);
        ticks.now = 42;
        EXPECT_EQ(Ticks().Milliseconds(), 42);
        // The rest are the real ones, never null.
        EXPECT_NE(Current().clock, nullptr);
        EXPECT_NE(Current().boxes, nullptr);
        EXPECT_NE(Current().regional, nullptr);
        Install(previous);
    }
    EXPECT_EQ(Current().ticks, before.ticks);
    EXPECT_EQ(Current().clock, before.clock);
    {
        test::ScopedFakes fakes;
        EXPECT_EQ(&Boxes(), &fakes.boxes);
        EXPECT_EQ(&Region(), &fakes.regional);
    }
    EXPECT_EQ(Current().boxes, before.boxes);
}

}  // namespace
}  // namespace vindelor::platform
