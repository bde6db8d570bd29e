// The save-tariff procedure with random field texts, switches, rate tables and answers to
// its questions. Whatever the input: no crash, a refusal always tells the user why, the
// rate data file is written only by an accepted save and then holds exactly the table,
// and a table the procedure filled has no empty half hour and no quarter exception left.
#include "core/profile.h"
#include "core/ratetable.h"
#include "core/savetariff.h"
#include "platform/test/fakes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <stdexcept>

namespace {

using vindelor::platform::MessageBoxes;

// Field texts: mostly near-numbers, so the checks past the number syntax get reached.
QString FieldText(FuzzedDataProvider& in) {
    static const char kAlphabet[] = "0123456789.,eE+- 0.00";
    switch (in.ConsumeIntegralInRange<int>(0, 5)) {
        case 0:
            return QString();
        case 1:
            return QStringLiteral("0.00");
        case 2: {
            QString text;
            const int n = in.ConsumeIntegralInRange<int>(1, 24);
            for (int i = 0; i < n; ++i) {
                text += QLatin1Char(
                    kAlphabet[in.ConsumeIntegralInRange<size_t>(0, sizeof kAlphabet - 2)]);
            }
            return text;
        }
        case 3:
            return QString::number(in.ConsumeIntegralInRange<int>(0, 9999)) + QStringLiteral(",") +
                   QString::number(in.ConsumeIntegralInRange<int>(0, 99));
        default: {
            const std::string raw = in.ConsumeRandomLengthString(40);
            return QString::fromUtf8(raw.data(), static_cast<int>(raw.size()));
        }
    }
}

void FillTable(FuzzedDataProvider& in, vindelor::TRateWeek& week) {
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0:
            return;  // empty
        case 1: {    // one class everywhere, a few exceptions
            const auto k = in.ConsumeIntegralInRange<std::uint8_t>(1, 4);
            for (auto& day : week.Days)
                for (auto& slot : day)
                    slot.RateClass = k;
            break;
        }
        default:
            break;
    }
    const int changes = in.ConsumeIntegralInRange<int>(0, 40);
    for (int i = 0; i < changes; ++i) {
        auto& slot = week.Days[in.ConsumeIntegralInRange<size_t>(0, 6)]
                              [in.ConsumeIntegralInRange<size_t>(0, 47)];
        slot.RateClass = in.ConsumeBool() ? in.ConsumeIntegralInRange<std::uint8_t>(0, 4)
                                          : in.ConsumeIntegral<std::uint8_t>();
        slot.QuarterCode = in.ConsumeBool() ? 0 : in.ConsumeIntegral<std::uint8_t>();
    }
}

QByteArray TableBytes(const vindelor::TRateWeek& week) {
    QByteArray bytes;
    for (const auto& day : week.Days) {
        for (const auto& slot : day) {
            bytes.append(static_cast<char>(slot.RateClass));
            bytes.append(static_cast<char>(slot.QuarterCode));
        }
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    static const bool init = [] {
        qputenv("VINDELOR_DIR", dir.path().toLocal8Bit());
        return true;
    }();
    (void)init;
    const QString dta = dir.filePath(QStringLiteral("Vindelor.dta"));
    QFile::remove(dta);
    FuzzedDataProvider in(data, size);
    // Mostly a save over the settings the run before left (as a user saves again and
    // again), now and then into no settings file at all.
    if (in.ConsumeIntegralInRange<int>(0, 7) == 0) {
        QFile::remove(dir.filePath(QStringLiteral("Vindelor.ini")));
        vindelor::ClearProfileCache();
    }
    vindelor::TariffValues v;
    v.RoundingDisabled = in.ConsumeBool();
    v.TriesLogged = in.ConsumeBool();
    v.CostMonitoringDisabled = in.ConsumeBool();
    v.ShortSessionsLogged = in.ConsumeBool();
    v.MultipleRates = in.ConsumeIntegralInRange<int>(0, 7) != 0;
    v.UsagePackage = in.ConsumeIntegralInRange<int>(0, 3) == 0;
    v.PackageHours = FieldText(in);
    v.PackagePrice = FieldText(in);
    v.HourPrice = FieldText(in);
    v.IndicatorOn = in.ConsumeBool();
    for (auto& level : v.IndicatorLevels)
        level = static_cast<vindelor::IndicatorLevel>(in.ConsumeIntegralInRange<int>(0, 3));
    for (bool& on : v.InitialChargeOn)
        on = in.ConsumeIntegralInRange<int>(0, 3) == 0;
    for (QString& amount : v.InitialAmounts)
        amount = FieldText(in);
    v.SameRatesMonFri = in.ConsumeBool();
    for (QString& rate : v.RateTexts)
        rate = FieldText(in);
    vindelor::TRateWeek week;
    FillTable(in, week);
    const vindelor::TRateWeek before = week;

    vindelor::platform::test::ScopedFakes fakes;
    for (int i = 0; i < 8; ++i) {
        fakes.boxes.answers.push_back(
            static_cast<MessageBoxes::Answer>(in.ConsumeIntegralInRange<int>(0, 3)));
    }

    bool accepted = false;
    try {
        accepted = vindelor::SaveTariff(v, week);
    } catch (const std::runtime_error&) {
        std::abort();  // every file in the temporary directory can be written
    }

    for (const QString* field : {&v.RateTexts[0], &v.RateTexts[1], &v.RateTexts[2], &v.RateTexts[3],
                                 &v.InitialAmounts[0], &v.InitialAmounts[1], &v.InitialAmounts[2],
                                 &v.InitialAmounts[3], &v.PackagePrice, &v.HourPrice}) {
        if (field->size() > 20)
            std::abort();
    }
    if (!accepted && fakes.boxes.shown.empty())
        std::abort();  // refused without a word
    if (!v.MultipleRates && (!accepted || !fakes.boxes.shown.empty()))
        std::abort();
    const bool dtaWritten = QFile::exists(dta);
    if (dtaWritten && (!accepted || v.UsagePackage || !v.MultipleRates))
        std::abort();
    if (accepted && v.MultipleRates && !v.UsagePackage) {
        if (!dtaWritten)
            std::abort();
        QFile f(dta);
        if (!f.open(QIODevice::ReadOnly) || f.readAll() != TableBytes(week))
            std::abort();
    }
    if (TableBytes(week) != TableBytes(before)) {
        // Only a fill for an initial charge changes the table, and a fill leaves every
        // half hour with a class and no quarter exception.
        bool anyInitial = false;
        for (bool on : v.InitialChargeOn)
            anyInitial = anyInitial || on;
        if (!anyInitial)
            std::abort();
        for (const auto& day : week.Days)
            for (const auto& slot : day)
                if (slot.RateClass == 0 || slot.QuarterCode != 0)
                    std::abort();
    }
    const QString multiple =
        vindelor::GetProfileString(QStringLiteral("Session"), QStringLiteral("Multiple"),
                                   QStringLiteral("?"), 5, vindelor::kSettingsFile);
    if (multiple != (v.MultipleRates ? QLatin1String("Ja") : QLatin1String("Nej")))
        std::abort();
    return 0;
}
