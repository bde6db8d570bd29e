#include "platform/services.h"

#include "platform/qt/qtservices.h"

#include <QLocale>

#include <chrono>

namespace vindelor::platform {
namespace {

class SteadyTickCounter : public TickCounter {
public:
    std::int64_t Milliseconds() override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
};

class SystemClock : public LocalClock {
public:
    QDateTime Now() override { return QDateTime::currentDateTime(); }

    QString DateText(const QDate& date) override {
        QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
        // Log readers split a line at its first blank and its first "-": a date format
        // holding either (ISO dates do) would move the split points.
        if (format.contains(QLatin1Char(' ')) || format.contains(QLatin1Char('-')) ||
            format.isEmpty()) {
            format = QStringLiteral("dd.MM.yyyy");
        }
        QString text = QLocale::system().toString(date, format);
        if (text.contains(QLatin1Char(' ')) || text.contains(QLatin1Char('-'))) {
            text = date.toString(QStringLiteral("dd.MM.yyyy"));
        }
        return text;
    }

    QString TimeText(const QTime& time) override {
        const QChar sep = Region().TimeSeparator();
        return time.toString(QStringLiteral("HH%1mm%1ss").arg(sep));
    }
};

class LocaleRegional : public Regional {
public:
    QString CurrencySymbol() override {
        const QString symbol = QLocale::system().currencySymbol(QLocale::CurrencySymbol);
        return symbol.isEmpty() ? QStringLiteral("$") : symbol;
    }
    QChar TimeSeparator() override {
        // The first character of the time format that is not a format letter.
        const QString format = QLocale::system().timeFormat(QLocale::ShortFormat);
        for (const QChar c : format) {
            if (!c.isLetter() && c != QLatin1Char(' ') && c != QLatin1Char('\'')) {
                return (c == QLatin1Char('-')) ? QLatin1Char(':') : c;
            }
        }
        return QLatin1Char(':');
    }
};

// There is no registry of installed modems on this platform: the look-up finds nothing
// and the user picks the port once in the manual choice dialog.
class NoModemLookup : public ModemLookup {
public:
    QString AttachedTo(const QString&) override { return {}; }
};

Services& Defaults() {
    static SteadyTickCounter ticks;
    static SystemClock clock;
    static LocaleRegional regional;
    static NoModemLookup modems;
    static Services services{&ticks, &clock, &QtMessageBoxesInstance(), &QtHelpViewerInstance(),
                             &modems, &regional};
    return services;
}

}  // namespace

Services& Current() {
    static Services current = Defaults();
    return current;
}

Services Install(const Services& services) {
    Services previous = Current();
    Services merged = services;
    const Services& defaults = Defaults();
    // A partial set keeps the defaults for the services it does not name.
    if (!merged.ticks) merged.ticks = defaults.ticks;
    if (!merged.clock) merged.clock = defaults.clock;
    if (!merged.boxes) merged.boxes = defaults.boxes;
    if (!merged.help) merged.help = defaults.help;
    if (!merged.modems) merged.modems = defaults.modems;
    if (!merged.regional) merged.regional = defaults.regional;
    Current() = merged;
    return previous;
}

}  // namespace vindelor::platform
