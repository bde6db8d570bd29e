// Section [Roaming] of Vindelor.ini: what the bytes a session moves while its modem is
// registered on a network abroad cost. A price per MB abroad, MB a billing month that
// roaming may use at the home price (a fair-use volume), the operator's charged unit,
// and a cap on the month's bytes abroad with warnings at percentages of it. Bytes abroad
// never use the home [Data] "Included". Without the section roaming bytes cost what home
// bytes do.
#pragma once

#include "core/billingsettings.h"
#include "core/datatariff.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace vindelor {

inline const QString kRoamingSection = QStringLiteral("Roaming");

struct RoamingTariff {
    std::int64_t perMB = 0;           // ten-thousandths per MB; 0: the section is not set
    std::int64_t perMinute = 0;       // ten-thousandths per minute abroad; 0: the time tariff
    std::uint64_t includedBytes = 0;  // per billing month at the home price
    std::uint64_t unitBytes = 0;      // the charged unit; 0: to the byte
    std::uint64_t hangUpAtBytes = 0;  // the month's bytes abroad that end a session; 0: none
    std::vector<int> warn;            // percentages of hangUpAtBytes

    bool Priced() const { return perMB > 0; }
};

struct RoamingEntries {
    QString perMB;
    QString included;
    QString unit;
    QString hangUpAt;
    QString warn;
    QString perMinute;
};

enum class RoamingEntryError { None, PerMB, Included, Unit, HangUpAt, Warn, PerMin };

// Checks every entry; the first bad one is returned (the bad part of the warning list in
// *bad) and *out is left untouched. Warnings need a cap to be percentages of.
RoamingEntryError CheckRoamingEntries(const RoamingEntries& in, RoamingTariff* out,
                                      QString* bad = nullptr);
RoamingEntries ReadRoamingEntries();
// Read leniently: a value that does not read is the neutral default.
RoamingTariff ReadRoamingTariff();
bool WriteRoamingTariff(const RoamingTariff& tariff, int* error = nullptr);

// The charge of a session's bytes abroad in ten-thousandths (`usedBefore`: the month's
// bytes abroad before it): rounded up to the unit, those beyond the month's included
// ones at the price abroad and the included ones at the home price per MB.
std::int64_t RoamingCharge(const RoamingTariff& roaming, const DataTariff& home,
                           std::uint64_t usedBefore, std::uint64_t sessionBytes);

// The billing month's logged bytes abroad.
std::uint64_t LoggedRoamingBytes(const DatedLog& log, const BillingMonth& month);

// Warnings abroad already given in the billing month ([Billing] "RoamingGiven").
inline const QString kRoamingGivenKey = QStringLiteral("RoamingGiven");
inline std::vector<int> ReadGivenRoamingWarnings(const BillingMonth& month) {
    return ReadGivenMarks(kRoamingGivenKey, month);
}
inline bool WriteGivenRoamingWarnings(const BillingMonth& month, const std::vector<int>& given) {
    return WriteGivenMarks(kRoamingGivenKey, month, given);
}

// The percentages of the cap abroad that `used` reached and were not given, ascending.
std::vector<int> RoamingWarningsReached(std::uint64_t used, const RoamingTariff& tariff,
                                        const std::vector<int>& given);

}  // namespace vindelor
