// The date, time and regional texts of one locale. The programs use the user's own
// locale; tests hand in any other, so every rule below can be checked without touching
// the environment.
#pragma once

#include "platform/services.h"

#include <QLocale>

#include <mutex>
#include <string>

namespace vindelor::platform {

// Date and time texts as they go into the session log. Readers of the log split a line
// at its first blank, its first "-" and its first "^", and take any "+" for a failed
// try, so no locale may bring one of those (or a character the log's Windows-1252
// cannot hold) into these texts.
class LocaleClock : public LocalClock {
  public:
    explicit LocaleClock(const QLocale& locale = QLocale::system());
    // To the second: within one second of the system clock every call gives the time of
    // the first (the local time is worked out once a second, see the body).
    QDateTime Now() override;
    // The locale's short numeric date, or dd.MM.yyyy when that would hold anything but
    // digits and "." "/" ":" (ISO dates, dates with blanks or names, native digits).
    QString DateText(const QDate& date) override;
    // The locale's short date format, the first one a reader of the log tries.
    QString DateFormat() const { return dateFormat_; }
    // Always 24 hours with seconds, hours with two digits, parted by the locale's time
    // separator when that is "." or ":", else by ":".
    QString TimeText(const QTime& time) override;

  private:
    std::mutex nowMutex_;
    qint64 nowSecond_ = 0;  // the second of the epoch that now_ was read in
    QDateTime now_;
    QString dateFormat_;
    QChar timeSeparator_;
};

// Called by every program right after its application object, which gave the C library
// the user's locale: from then on the C library writes and reads numbers with a "."
// (LC_NUMERIC "C") for the whole program, as Qt advises, while texts, dates and sorting
// stay the user's. Libraries that printf numbers into files read elsewhere (a
// spreadsheet's cells) would write "0,5" under fi_FI, which no reader takes for a number.
// Qt's own number texts go through QLocale and are not touched.
void KeepClassicNumbers();

class LocaleRegional : public Regional {
  public:
    explicit LocaleRegional(const QLocale& locale = QLocale::system());
    // The locale's currency symbol; its ISO code when the symbol does not fit the
    // settings file's Windows-1252 (it would be stored as "?"); "$" when there is none.
    QString CurrencySymbol() override;
    // The first separator of the locale's time format; ":" when there is none.
    QChar TimeSeparator() override;
    // The first of the locale's user-interface languages (LANGUAGE, LC_MESSAGES, LANG for
    // the system locale): the one messages are read in.
    QLocale::Language Language() override;

  private:
    QString currency_;
    QChar separator_;
    QLocale::Language language_;
};

}  // namespace vindelor::platform
