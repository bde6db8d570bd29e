// Save tariff: what the advanced options dialog runs when the user presses OK. It writes
// the special session options and the tariff to "Vindelor.ini" key by key, checks the
// tariff against the weekly rate table in a fixed order (a message for each fault), and
// writes "Vindelor.dta" only when everything holds. Which keys are already written when
// a check refuses is visible to the user, so the order of the steps matters.
#pragma once

#include "core/ratetable.h"

#include <QString>

#include <array>

class QWidget;

namespace vindelor {

// Indicator level chosen for a rate class with the three radio buttons.
enum class IndicatorLevel { None, Economy, Medium, Expensive };

// The dialog's values at the moment OK is pressed. Price and amount texts are normalised
// in place (see NormalisePriceField), so the dialog should show them again afterwards.
struct TariffValues {
    // Page "Special".
    bool RoundingDisabled = false;        // CheckBox1 -> [Session] "Avrundning"
    bool TriesLogged = false;             // CheckBox2 -> [Session] "Försök"
    bool CostMonitoringDisabled = false;  // CheckBox3 -> [Session] "Räknare"
    bool ShortSessionsLogged = false;     // CheckBox4 -> [Session] "<1min"
    bool MultipleRates = false;           // CheckBox7 -> [Session] "Multiple"

    // Usage package: CheckBox12 and its three fields.
    bool UsagePackage = false;
    QString PackageHours;  // not normalised: no comma treatment for hours
    QString PackagePrice;
    QString HourPrice;

    // Indicator: CheckBox6 and the radio buttons of classes 1 … 4.
    bool IndicatorOn = false;
    std::array<IndicatorLevel, 4> IndicatorLevels{};

    // Initial charge per class: CheckBox8 … CheckBox11 and the "Amount :" fields.
    std::array<bool, 4> InitialChargeOn{};
    std::array<QString, 4> InitialAmounts;

    bool SameRatesMonFri = true;  // CheckBox5 -> [Session] "Må-fre"

    std::array<QString, 4> RateTexts;  // "Rate 1:" … "Rate 4:"
};

// The first 20 characters of the text with its first comma turned into a point.
QString NormalisePriceField(const QString& text);

// Runs the save procedure. `week` is the program's weekly rate table; it is filled with a
// class when the user accepts an initial charge for a class the table does not use.
// Messages go through platform::Boxes() in the current language; `parent` owns them.
// Returns true when the dialog may close. A failure to write "Vindelor.dta" throws
// std::runtime_error after the settings keys have been written.
bool SaveTariff(TariffValues& values, TRateWeek& week, QWidget* parent = nullptr);

}  // namespace vindelor
