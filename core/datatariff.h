// Section [Data] of Vindelor.ini: what the data a session moves costs, and the two
// volume keys of [Billing]. A price per MB (pay as you go), MB included per billing
// month with that price beyond them, and a fee once on each calendar day with data.
// Without the section every cost is what the time tariffs make it.
//
// Money here is whole ten-thousandths (the log's four decimals); every data charge is
// worked out by DataCharge alone.
#pragma once

#include "core/billing.h"
#include "core/billingsettings.h"

#include <QSet>
#include <QString>

#include <cstdint>
#include <vector>

namespace vindelor {

inline const QString kDataSection = QStringLiteral("Data");
constexpr std::uint64_t kBytesPerMB = 1000000;

// [Data] "Metered": when the session's link is marked metered for the desktop.
enum class MeteredMark {
    Off = 0,          // absent or anything else: the link is left as it is
    Always = 1,       // "Ja": for the whole session
    FromWarning = 2,  // "Varna": from the month's first volume warning on
};

struct DataTariff {
    std::int64_t perMB = 0;           // ten-thousandths per MB; 0: volume costs nothing
    std::uint64_t includedBytes = 0;  // per billing month; 0: none included
    std::int64_t dayFee = 0;          // ten-thousandths once a day with data
    QString interfaceName;            // the counted interface when not the connection's own
    std::vector<int> warn;            // [Billing] "DataWarn": percentages of the included
    bool hangUpAt = false;            // [Billing] "DataHangUpAt": hang up when it is used
    std::uint64_t unitBytes = 0;      // "Unit" in kB: the operator's charged unit; 0: bytes
    MeteredMark metered = MeteredMark::Off;

    bool Priced() const { return perMB > 0 || dayFee > 0; }
};

// The keys' texts as the page shows and takes them.
struct DataEntries {
    QString perMB;
    QString included;
    QString dayFee;
    QString interfaceName;
    QString warn;
    bool hangUpAt = false;
    QString unit;
    MeteredMark metered = MeteredMark::Off;
};

enum class DataEntryError { None, PerMB, Included, DayFee, Interface, Warn, HangUpAt, Unit };

// Checks every entry; the first bad one is returned (the bad part of the warning list in
// *bad) and *out is left untouched. A cap without included MB is an error: it would hang
// up at once.
DataEntryError CheckDataEntries(const DataEntries& in, DataTariff* out, QString* bad = nullptr);

DataEntries ReadDataEntries();
// Read leniently: a value that does not read is the neutral default.
DataTariff ReadDataTariff();
bool WriteDataTariff(const DataTariff& tariff, int* error = nullptr);

// Volume warnings already given in the billing month ([Billing] "DataGiven", as "Given").
inline const QString kDataGivenKey = QStringLiteral("DataGiven");
inline std::vector<int> ReadGivenDataWarnings(const BillingMonth& month) {
    return ReadGivenMarks(kDataGivenKey, month);
}
inline bool WriteGivenDataWarnings(const BillingMonth& month, const std::vector<int>& given) {
    return WriteGivenMarks(kDataGivenKey, month, given);
}

// The entries' readers, shared with [Roaming]: money with at most four decimals as
// ten-thousandths, MB with at most six as bytes; blank is 0, nothing negative.
bool ReadMoneyEntry(const QString& text, std::int64_t* tenThousandths);
bool ReadMegabyteEntry(const QString& text, std::uint64_t* bytes);
// Bytes as the MB entry reads them back ("5000.5"; empty for 0).
QString MegabyteEntryText(std::uint64_t bytes);

// A whole number of kB per charged unit (blank: 0, to the byte), as bytes; false for
// anything else. The [Data] and [Roaming] units read the same way.
bool ReadUnitEntry(const QString& text, std::uint64_t* unitBytes);
QString UnitEntryText(std::uint64_t unitBytes);
// The bytes the operator bills: rounded up to whole units (a unit of 0 leaves them).
std::uint64_t BilledBytes(std::uint64_t bytes, std::uint64_t unitBytes);

// The data charge of a session, in ten-thousandths: the session's bytes rounded up to
// the tariff's unit, those of them beyond what the billing
// month includes (`usedBefore`: the month's bytes before this session) at the price per
// MB, rounded half up once for the session, plus the fee of each day with data that no
// earlier session paid (`newDataDays`).
std::int64_t DataCharge(const DataTariff& tariff, std::uint64_t usedBefore,
                        std::uint64_t sessionBytes, int newDataDays);

// The billing month's logged bytes (sessions dated in it with a known volume) and the
// calendar days whose fee was paid: each day a logged session with data ran on.
struct LoggedData {
    std::uint64_t bytes = 0;
    QSet<QDate> paidDays;
};
// `roamingApart`: a priced [Roaming] counts the bytes abroad, so they are not the home's.
LoggedData LoggedDataOfLog(const DatedLog& log, const BillingMonth& month,
                           bool roamingApart = false);

// The percentages of the included volume that `used` has reached and that were not
// given yet, ascending. None without an included volume.
std::vector<int> DataWarningsReached(std::uint64_t used, const DataTariff& tariff,
                                     const std::vector<int>& given);

// The included volume as the user gave it, in MB with the language's decimal sign and
// unit ("5000,5 MB").
QString IncludedMBText(std::uint64_t bytes, int languageOffset);

// Ten-thousandths as the money text of the settings ("0.0500" -> "0.05", trailing zeros
// dropped down to two decimals).
QString TenThousandthsText(std::int64_t amount);

}  // namespace vindelor
