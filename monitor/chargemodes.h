// Which ways of charging a session are in force, read from the settings without widgets:
// cost monitoring, the weekly rate table, the usage package, the rate indicator and the
// initial charges; and what the settings dialog's OK switches in a running program.
#pragma once

#include <QString>

#include <array>

namespace vindelor {
struct SessionGlobalsT;
}

namespace vindelor::monitor {

// Classes 1 … 4 with an initial charge ([Initial] "Rate<k>" = "Ja"); the prices of those
// classes are stored in `prices` ([Initial] "Pris_r<k>"), the others left as they were.
struct InitialCharges {
    bool on = false;  // any class has one
    std::array<bool, 4> classOn{};
};
InitialCharges ReadInitialCharges(std::array<double, 4>& prices);

// The indicator light's level of each rate class ([PeakSpec] "Rate<k>": Grön, Gul, Röd).
std::array<int, 4> ReadIndicatorLevels();

// The usage package's texts: hours included, its price, the price of each hour beyond.
struct UsagePackage {
    QString hours;
    QString price;
    QString hourPrice;
};
UsagePackage ReadUsagePackage();

// The modes a running program is in.
struct ChargeModes {
    bool CostMonitoring = false;
    bool MultipleRatesOn = false;
    bool UsagePackageOn = false;
    bool IndicatorOn = false;
};

// The modes at start-up. The charge per minute, the monthly minimum and the rate prices
// go to `g`; the weekly rate table is loaded when it is in force, and one that cannot be
// read leaves it off (the first rate price stands in) and is reported.
struct StartupModes {
    ChargeModes modes;
    bool rateItemsVisible = true;  // false while [Session] "Multiple" = "Nej"
    bool rateFileDamaged = false;
    UsagePackage package;  // read when the usage package is on
};
StartupModes ReadStartupModes(SessionGlobalsT& g);

// What OK in the settings dialog changes while the program runs, from the values now
// stored ([Session] "Räknare", "Multiple", "PeakSpec"; [Charge] "Simpel").
struct ModeSwitch {
    ChargeModes after;
    bool costMonitoringOn = false;   // switched on: read the charge and the monthly minimum
    bool costMonitoringOff = false;  // switched off: charge and minimum are 0
    bool rateItemsVisible = false;   // the holiday-rates and adjust-monitoring items
    bool readRatePrices = false;
    bool readUsagePackage = false;
    bool readIndicatorLevels = false;
    // The rate monitor timer: left as it is, stopped, or started with its interval.
    enum class Timer { Keep, Stop, Start } rateTimer = Timer::Keep;
    // The indicator light: left, switched off, or switched on.
    enum class Light { Keep, Off, On } light = Light::Keep;
};
ModeSwitch SwitchModes(const ChargeModes& before);

}  // namespace vindelor::monitor
