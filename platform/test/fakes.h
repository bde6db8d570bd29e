// Fakes of the platform services for tests: a hand-driven tick counter and clock,
// scripted message boxes that record what they were asked, a recording help viewer and
// a modem look-up with given entries.
#pragma once

#include "platform/services.h"

#include <QMap>
#include <QStringList>

#include <deque>
#include <vector>

namespace vindelor::platform::test {

class FakeTicks : public TickCounter {
  public:
    std::int64_t Milliseconds() override { return now; }
    void AdvanceSeconds(double s) { now += static_cast<std::int64_t>(s * 1000); }
    std::int64_t now = 1'000'000;
};

class FakeClock : public LocalClock {
  public:
    QDateTime Now() override { return now; }
    QString DateText(const QDate& d) override { return d.toString(QStringLiteral("dd.MM.yyyy")); }
    QString TimeText(const QTime& t) override { return t.toString(QStringLiteral("HH:mm:ss")); }
    QDateTime now{QDate(1999, 12, 6), QTime(14, 5, 9)};
};

struct ShownBox {
    QString caption;
    QString text;
    MessageBoxes::Icon icon;
    MessageBoxes::Buttons buttons;
};

class ScriptedBoxes : public MessageBoxes {
  public:
    // Answers are taken from the front of `answers`; when it is empty, Ok/Yes boxes get
    // Ok or Yes (the first button that accepts).
    Answer Show(QWidget*, const QString& caption, const QString& text, Icon icon,
                Buttons buttons) override {
        shown.push_back({caption, text, icon, buttons});
        if (!answers.empty()) {
            Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
    void Beep() override { ++beeps; }

    std::deque<Answer> answers;
    std::vector<ShownBox> shown;
    int beeps = 0;
};

class RecordingHelp : public HelpViewer {
  public:
    bool ShowHelp(QWidget*, const QString& file, int context) override {
        calls.push_back({file, context});
        return true;
    }
    std::vector<std::pair<QString, int>> calls;
};

class FakeModems : public ModemLookup {
  public:
    QString AttachedTo(const QString& subkey, const QStringList& = {}) override {
        return entries.value(subkey);
    }
    QMap<QString, QString> entries;
};

class FakeRegional : public Regional {
  public:
    QString CurrencySymbol() override { return currency; }
    QChar TimeSeparator() override { return separator; }
    QLocale::Language Language() override { return language; }
    QString currency = QStringLiteral("$");
    QChar separator = QLatin1Char(':');
    QLocale::Language language = QLocale::English;
};

// Installs one of each fake for the lifetime of the object and restores the previous
// services afterwards.
class ScopedFakes {
  public:
    ScopedFakes() : previous_(Install({&ticks, &clock, &boxes, &help, &modems, &regional})) {}
    ~ScopedFakes() { Install(previous_); }
    FakeTicks ticks;
    FakeClock clock;
    ScriptedBoxes boxes;
    RecordingHelp help;
    FakeModems modems;
    FakeRegional regional;

  private:
    Services previous_;
};

}  // namespace vindelor::platform::test
