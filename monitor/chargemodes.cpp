#include "monitor/chargemodes.h"

#include "core/numbers.h"
#include "core/profile.h"
#include "core/ratemonitor.h"
#include "core/ratetable.h"
#include "core/sessionglobals.h"

namespace vindelor::monitor {

namespace {

QString Setting(const QString& section, const QString& key, const QString& def, int len) {
    return GetProfileString(section, key, def, len, kSettingsFile);
}

}  // namespace

InitialCharges ReadInitialCharges(std::array<double, 4>& prices) {
    InitialCharges charges;
    for (int k = 1; k <= 4; ++k) {
        if (Setting(QStringLiteral("Initial"), QStringLiteral("Rate%1").arg(k),
                    QStringLiteral("Nej"), 5) == QLatin1String("Ja")) {
            // Amounts that do not follow the number syntax read as 0.
            prices[k - 1] =
                NumberOr(Setting(QStringLiteral("Initial"), QStringLiteral("Pris_r%1").arg(k),
                                 QStringLiteral("-1"), 14),
                         0.0);
            charges.classOn[k - 1] = true;
            charges.on = true;
        }
    }
    return charges;
}

std::array<int, 4> ReadIndicatorLevels() {
    std::array<int, 4> levels{};
    for (int k = 1; k <= 4; ++k) {
        const QString colour = Setting(QStringLiteral("PeakSpec"), QStringLiteral("Rate%1").arg(k),
                                       QStringLiteral("Ingen"), 9);
        int level = kIndicatorNone;
        if (colour == QStringLiteral("Grön")) {
            level = kIndicatorGreen;
        } else if (colour == QLatin1String("Gul")) {
            level = kIndicatorYellow;
        } else if (colour == QStringLiteral("Röd")) {
            level = kIndicatorRed;
        }
        levels[k - 1] = level;
    }
    return levels;
}

UsagePackage ReadUsagePackage() {
    return {
        Setting(QStringLiteral("Charge"), QStringLiteral("Simpel_h"), QStringLiteral("0"), 5),
        Setting(QStringLiteral("Charge"), QStringLiteral("Simpel_$1"), QStringLiteral("0.00"), 14),
        Setting(QStringLiteral("Charge"), QStringLiteral("Simpel_$2"), QStringLiteral("0.00"), 14)};
}

StartupModes ReadStartupModes(SessionGlobalsT& g) {
    StartupModes start;
    ChargeModes& m = start.modes;
    m.CostMonitoring = Setting(QStringLiteral("Session"), QStringLiteral("Räknare"),
                               QStringLiteral("Nej"), 5) == QLatin1String("Nej");
    if (!m.CostMonitoring) {
        g.CurrentRate = 0.0;
        g.MonthlyMinimum = 0;
    } else {
        g.CurrentRate = NumberOr(
            Setting(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0"), 20),
            0.0);
        g.MonthlyMinimum = LeadingWholeNumber(
            Setting(QStringLiteral("Charge"), QStringLiteral("minimi"), QStringLiteral("0"), 20));
    }

    m.UsagePackageOn = Setting(QStringLiteral("Charge"), QStringLiteral("Simpel"),
                               QStringLiteral("Nej"), 5) == QLatin1String("Ja");
    if (m.UsagePackageOn) {
        start.package = ReadUsagePackage();
    }

    const QString multiple =
        Setting(QStringLiteral("Session"), QStringLiteral("Multiple"), QStringLiteral("Nej"), 5);
    start.rateItemsVisible = multiple != QLatin1String("Nej");
    if (multiple == QLatin1String("Ja") && !m.UsagePackageOn) {
        m.MultipleRatesOn = true;
        if (!LoadRateDataFile(ProgramRateWeek())) {
            m.MultipleRatesOn = false;
            start.rateFileDamaged = true;
        }
        for (int k = 1; k <= 4; ++k) {
            g.RatePrices[k - 1] =
                NumberOr(Setting(QStringLiteral("Avgifter"), QStringLiteral("Avg%1").arg(k),
                                 QStringLiteral("0.00"), 14),
                         0.0);
        }
        if (start.rateFileDamaged) {
            g.CurrentRate = g.RatePrices[0];
        }
    }

    m.IndicatorOn = Setting(QStringLiteral("Session"), QStringLiteral("PeakSpec"),
                            QStringLiteral("Nej"), 5) == QLatin1String("Ja");
    return start;
}

ModeSwitch SwitchModes(const ChargeModes& before) {
    ModeSwitch s;
    ChargeModes& m = s.after;
    m = before;

    const QString counter =
        Setting(QStringLiteral("Session"), QStringLiteral("Räknare"), QStringLiteral("Nej"), 5);
    if (counter == QLatin1String("Ja") && m.CostMonitoring) {
        m.CostMonitoring = false;
        s.costMonitoringOff = true;
    } else if (counter == QLatin1String("Nej") && !m.CostMonitoring) {
        m.CostMonitoring = true;
        s.costMonitoringOn = true;
    }

    const QString multiple =
        Setting(QStringLiteral("Session"), QStringLiteral("Multiple"), QStringLiteral("Nej"), 5);
    s.rateItemsVisible = multiple != QLatin1String("Nej");
    if (multiple == QLatin1String("Nej")) {
        if (m.MultipleRatesOn) {
            s.rateTimer = ModeSwitch::Timer::Stop;
        }
        m.MultipleRatesOn = false;
        if (m.IndicatorOn) {
            m.IndicatorOn = false;
            s.light = ModeSwitch::Light::Off;
        }
    }

    if (multiple == QLatin1String("Ja")) {
        s.readRatePrices = true;
        if (!m.MultipleRatesOn) {
            s.rateTimer = ModeSwitch::Timer::Start;
        }
        m.MultipleRatesOn = true;
        if (Setting(QStringLiteral("Charge"), QStringLiteral("Simpel"), QStringLiteral("Nej"), 5) ==
            QLatin1String("Ja")) {
            s.readUsagePackage = true;
            m.UsagePackageOn = true;
            m.MultipleRatesOn = false;
            s.rateTimer = ModeSwitch::Timer::Start;
        } else {
            m.UsagePackageOn = false;
        }
        const QString peak = Setting(QStringLiteral("Session"), QStringLiteral("PeakSpec"),
                                     QStringLiteral("Nej"), 5);
        if (peak == QLatin1String("Nej") && m.IndicatorOn) {
            s.light = ModeSwitch::Light::Off;
            m.IndicatorOn = false;
        }
        if (peak == QLatin1String("Ja")) {
            if (m.MultipleRatesOn) {
                m.IndicatorOn = true;
                s.readIndicatorLevels = true;
                s.light = ModeSwitch::Light::On;
            } else {
                m.IndicatorOn = false;
                s.light = ModeSwitch::Light::Off;
            }
        }
    }
    return s;
}

}  // namespace vindelor::monitor
