#include "core/savetariff.h"

#include "core/numbers.h"
#include "core/profile.h"
#include "core/texts.h"
#include "platform/datadir.h"
#include "platform/services.h"

#include <QCoreApplication>

#include <stdexcept>

namespace vindelor {
namespace {

using platform::MessageBoxes;

constexpr int kTextValueNotAccepted = 42;
constexpr int kTextRateFaulty = 94;      // 94 … 97
constexpr int kTextRateNotDefined = 98;  // 98 … 101
constexpr int kTextUseWholeWeek = 102;   // 102 … 105
constexpr int kTextRateNeverUsed = 106;  // 106 … 109
constexpr int kTextWholeDayMissing = 110;

constexpr int kPriceFieldLength = 20;

QString YesNo(bool on) {
    return on ? QStringLiteral("Ja") : QStringLiteral("Nej");
}

QString LevelWord(IndicatorLevel level) {
    switch (level) {
        case IndicatorLevel::Economy:
            return QStringLiteral("Grön");
        case IndicatorLevel::Medium:
            return QStringLiteral("Gul");
        case IndicatorLevel::Expensive:
            return QStringLiteral("Röd");
        case IndicatorLevel::None:
            break;
    }
    return QStringLiteral("Ingen");
}

QString ClassKey(const char* prefix, int k) {
    return QLatin1String(prefix) + QString::number(k);
}

bool EveryHalfHourHasClass(const TRateWeek& week) {
    for (const auto& day : week.Days) {
        for (const auto& slot : day) {
            if (slot.RateClass < 1 || slot.RateClass > 4)
                return false;
        }
    }
    return true;
}

// One run of the procedure: the error flag, the boxes and the settings writes.
class TariffSaver {
  public:
    TariffSaver(TariffValues& values, TRateWeek& week, QWidget* parent)
        : v_(values), week_(week), parent_(parent) {}

    bool Run();

  private:
    void Write(const char* section, const QString& key, const QString& value) {
        if (!WriteProfileString(QString::fromUtf8(section), key, value, kSettingsFile)) {
            writeFailed_ = true;
        }
    }
    void Write(const char* section, const char* key, const QString& value) {
        Write(section, QString::fromUtf8(key), value);
    }
    void Message(int textNumber) {
        platform::Boxes().Show(parent_, QCoreApplication::applicationName(), Text(textNumber),
                               MessageBoxes::Icon::None, MessageBoxes::Buttons::Ok);
    }
    bool Used(int k) const { return RateClassUsed(week_, k); }
    const QString& Rate(int k) const { return v_.RateTexts[k - 1]; }

    void WriteSpecialOptions();
    void SaveUsagePackage();
    void SaveIndicator();
    void SaveInitialCharges();
    void CheckRates();
    void CheckRatesWithoutInitialCharge();
    bool Finish();

    TariffValues& v_;
    TRateWeek& week_;
    QWidget* parent_;
    bool error_ = false;
    bool writeFailed_ = false;
};

bool TariffSaver::Run() {
    for (QString* field : {&v_.RateTexts[0], &v_.RateTexts[1], &v_.RateTexts[2], &v_.RateTexts[3],
                           &v_.InitialAmounts[0], &v_.InitialAmounts[1], &v_.InitialAmounts[2],
                           &v_.InitialAmounts[3], &v_.PackagePrice, &v_.HourPrice}) {
        *field = NormalisePriceField(*field);
    }

    WriteSpecialOptions();
    if (!v_.MultipleRates)
        return Finish();

    SaveUsagePackage();
    SaveIndicator();  // whatever the checks before said
    SaveInitialCharges();
    Write("Session", "Må-fre", YesNo(v_.SameRatesMonFri));

    // The usage package has no rate table to check or store.
    if (v_.UsagePackage || error_)
        return Finish();

    CheckRates();
    const bool anyInitialCharge = v_.InitialChargeOn[0] || v_.InitialChargeOn[1] ||
                                  v_.InitialChargeOn[2] || v_.InitialChargeOn[3];
    if (!anyInitialCharge && !error_)
        CheckRatesWithoutInitialCharge();

    if (!error_ && !writeFailed_)
        SaveRateDataFile(week_);
    return Finish();
}

void TariffSaver::WriteSpecialOptions() {
    Write("Session", "Avrundning", YesNo(v_.RoundingDisabled));
    Write("Session", "Försök", YesNo(v_.TriesLogged));
    Write("Session", "Räknare", YesNo(v_.CostMonitoringDisabled));
    if (v_.CostMonitoringDisabled)
        Write("Avsluta", "Visa", YesNo(true));
    Write("Session", "<1min", YesNo(v_.ShortSessionsLogged));
    Write("Session", "Multiple", YesNo(v_.MultipleRates));
}

void TariffSaver::SaveUsagePackage() {
    if (!v_.UsagePackage) {
        Write("Charge", "simpel", YesNo(false));
        return;
    }
    Write("Charge", "simpel", YesNo(true));
    if (!IsNumber(v_.PackageHours) || !IsNumber(v_.PackagePrice) || !IsNumber(v_.HourPrice)) {
        Message(kTextValueNotAccepted);
        error_ = true;
        return;
    }
    Write("Charge", "simpel_h", v_.PackageHours);
    Write("Charge", "simpel_$1", v_.PackagePrice);
    Write("Charge", "simpel_$2", v_.HourPrice);
}

void TariffSaver::SaveIndicator() {
    if (!v_.IndicatorOn) {
        Write("Session", "PeakSpec", YesNo(false));
        return;
    }
    bool anyRate = false;
    for (int k = 1; k <= 4; ++k)
        anyRate = anyRate || !Rate(k).isEmpty();
    Write("Session", "PeakSpec", YesNo(anyRate));
    for (int k = 1; k <= 4; ++k) {
        if (!Rate(k).isEmpty()) {
            Write("PeakSpec", ClassKey("Rate", k), LevelWord(v_.IndicatorLevels[k - 1]));
        }
    }
}

void TariffSaver::SaveInitialCharges() {
    for (int k = 1; k <= 4; ++k) {
        const QString onKey = ClassKey("Rate", k);
        if (!v_.InitialChargeOn[k - 1] || error_) {
            Write("Initial", onKey, YesNo(false));
            continue;
        }
        const QString& amount = v_.InitialAmounts[k - 1];
        if (!IsNumber(amount)) {
            Message(kTextValueNotAccepted);
            error_ = true;
            continue;
        }
        if (!Used(k)) {
            const auto answer = platform::Boxes().Show(
                parent_, QCoreApplication::applicationName(), Text(kTextUseWholeWeek + k - 1),
                MessageBoxes::Icon::Question, MessageBoxes::Buttons::NoOk);
            if (answer != MessageBoxes::Answer::Ok) {
                error_ = true;
                continue;
            }
            FillWithRateClass(week_, k);
        }
        Write("Initial", onKey, YesNo(true));
        Write("Initial", ClassKey("Pris_r", k), amount);
    }
}

void TariffSaver::CheckRates() {
    for (int k = 1; k <= 4 && !error_; ++k) {
        if (Rate(k).isEmpty() && Used(k)) {
            Message(kTextRateNotDefined + k - 1);
            error_ = true;
        }
    }
    for (int k = 1; k <= 4; ++k) {
        const bool number = IsNumber(Rate(k));
        if (!number && !error_ && Used(k)) {
            Message(kTextRateFaulty + k - 1);
            error_ = true;
        }
        if (number && !error_)
            Write("Avgifter", ClassKey("Avg", k), Rate(k));
    }
}

void TariffSaver::CheckRatesWithoutInitialCharge() {
    // Kept as it always worked: a later empty rate text clears a fault found before it,
    // so "x", "", "1", "2" passes here and is caught by the next checks instead.
    bool faulty = !IsNumber(Rate(1));
    for (int k = 2; k <= 4; ++k) {
        if (!IsNumber(Rate(k)))
            faulty = true;
        if (Rate(k).isEmpty())
            faulty = false;
    }
    if (faulty) {
        Message(kTextValueNotAccepted);
        error_ = true;
    }
    for (int k = 1; k <= 4 && !error_; ++k) {
        if (!Rate(k).isEmpty() && !Used(k)) {
            Message(kTextRateNeverUsed + k - 1);
            error_ = true;
        }
    }
    if (!error_ && !EveryHalfHourHasClass(week_)) {
        Message(kTextWholeDayMissing);
        error_ = true;
    }
    if (error_)
        return;
    for (int k = 1; k <= 4; ++k) {
        // A price of nothing is stored as a blank, which reads back as an empty price.
        const QString stored = Rate(k) == QLatin1String("0.00") ? QStringLiteral(" ") : Rate(k);
        Write("Avgifter", ClassKey("Avg", k), stored);
    }
}

bool TariffSaver::Finish() {
    // A settings file that cannot be written must not look like a saved tariff: the
    // dialog would close and the user's tariff would be gone at the next start.
    if (writeFailed_) {
        throw std::runtime_error("Cannot write the settings file \"" +
                                 platform::DataFilePath(kSettingsFile).toStdString() + "\"");
    }
    return !error_;
}

}  // namespace

QString NormalisePriceField(const QString& text) {
    return FirstCommaToPoint(text.left(kPriceFieldLength));
}

bool SaveTariff(TariffValues& values, TRateWeek& week, QWidget* parent) {
    return TariffSaver(values, week, parent).Run();
}

}  // namespace vindelor
