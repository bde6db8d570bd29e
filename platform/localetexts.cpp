#include "platform/localetexts.h"

#include "platform/cp1252.h"

#include <clocale>

namespace vindelor::platform {
namespace {

const QString kFallbackDateFormat = QStringLiteral("dd.MM.yyyy");

// A date of the log must fit beside an 8-character time in the 49 characters a reader
// takes of a line.
constexpr int kMaxDateLength = 21;

bool IsLogDateText(const QString& text) {
    if (text.isEmpty() || text.size() > kMaxDateLength)
        return false;
    for (const QChar c : text) {
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (!digit && c != QLatin1Char('.') && c != QLatin1Char('/') && c != QLatin1Char(':'))
            return false;
    }
    return true;
}

// The first character of the time format that parts two fields: not a format letter,
// not a blank of any kind, not a quote.
QChar FirstTimeSeparator(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    for (const QChar c : format) {
        if (c.isLetterOrNumber() || c.isSpace() || c == QLatin1Char('\''))
            continue;
        return c == QLatin1Char('-') ? QLatin1Char(':') : c;
    }
    return QLatin1Char(':');
}

}  // namespace

LocaleClock::LocaleClock(const QLocale& locale)
    : dateFormat_(locale.dateFormat(QLocale::ShortFormat)) {
    const QChar separator = FirstTimeSeparator(locale);
    timeSeparator_ = separator == QLatin1Char('.') ? separator : QLatin1Char(':');
}

QDateTime LocaleClock::Now() {
    // A local QDateTime asks the C library for the time zone each time, and the C library
    // looks at /etc/localtime for each such question (a stat through the whole path): in a
    // session's tick, fifty times a second. The zone does not change within a second, and
    // no caller wants more than seconds.
    const qint64 ms = QDateTime::currentMSecsSinceEpoch();
    const qint64 second = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
    std::lock_guard<std::mutex> lock(nowMutex_);
    if (second != nowSecond_ || !now_.isValid()) {
        now_ = QDateTime::fromMSecsSinceEpoch(ms, Qt::LocalTime);
        nowSecond_ = second;
    }
    return now_;
}

QString LocaleClock::DateText(const QDate& date) {
    // QDate renders a format with ASCII digits whatever the locale: no native digits
    // that the log could not hold.
    const QString text = date.toString(dateFormat_);
    return IsLogDateText(text) ? text : date.toString(kFallbackDateFormat);
}

QString LocaleClock::TimeText(const QTime& time) {
    return time.toString(QStringLiteral("HH%1mm%1ss").arg(timeSeparator_));
}

void KeepClassicNumbers() {
    std::setlocale(LC_NUMERIC, "C");
}

LocaleRegional::LocaleRegional(const QLocale& locale)
    : separator_(FirstTimeSeparator(locale)), language_(locale.language()) {
    const QStringList languages = locale.uiLanguages();
    if (!languages.isEmpty()) {
        language_ = QLocale(languages.first()).language();
    }
    currency_ = locale.currencySymbol(QLocale::CurrencySymbol);
    if (!cp1252::CanEncode(currency_))
        currency_ = locale.currencySymbol(QLocale::CurrencyIsoCode);
    if (currency_.isEmpty() || !cp1252::CanEncode(currency_))
        currency_ = QStringLiteral("$");
}

QString LocaleRegional::CurrencySymbol() {
    return currency_;
}

QChar LocaleRegional::TimeSeparator() {
    return separator_;
}

QLocale::Language LocaleRegional::Language() {
    return language_;
}

}  // namespace vindelor::platform
