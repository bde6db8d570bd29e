// Data volume of a session: how it rides on its log line, how the kernel's counters
// add up to it while the session runs, and how it is shown.
//
// On the log line the volume follows the cost, after one blank, as " |received|sent|" in
// whole bytes:
//     06.12.1999 14:05:09-00:12:00^   1.2000 |142300000|12100000|
// Every reader takes the cost as the number at the start of the text after "^", so the
// volume changes nothing for them; the closing "|" makes a line cut short (a reader that
// kept only its first 49 characters and wrote it back) read as unknown, never as a
// smaller volume. A line without the part has no known volume.
//
// A session that moved bytes while its modem roamed opens the part with them, "R" and
// received "/" sent, before the whole session's two numbers:
//     06.12.1999 14:05:09-00:12:00^   1.2000 |R30000000/1000000|142300000|12100000|
// Readers that know only the two numbers see a first field that is no number, and a
// part that does not close after two, and take the volume as unknown; a cut anywhere in
// it leaves an unknown volume for every reader. Sessions without roaming bytes keep the
// older form exactly.
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

namespace vindelor {

// The largest count a log line may carry: a log line with more is damaged, not a session.
constexpr std::uint64_t kMaxLoggedBytes = 1000000000000000000ULL;  // 10^18

// Byte sums stop at the top instead of wrapping, as money and seconds do: a damaged line
// must not turn a month's volume into a small one.
constexpr std::uint64_t AddBytes(std::uint64_t a, std::uint64_t b) {
    return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

struct DataVolume {
    bool known = false;  // false: no interface could be counted
    std::uint64_t rx = 0;
    std::uint64_t tx = 0;
    // The part of rx and tx counted while the modem roamed.
    std::uint64_t roamingRx = 0;
    std::uint64_t roamingTx = 0;

    std::uint64_t Total() const { return AddBytes(rx, tx); }
    std::uint64_t RoamingTotal() const { return AddBytes(roamingRx, roamingTx); }
    std::uint64_t HomeTotal() const { return AddBytes(rx - roamingRx, tx - roamingTx); }
    // Adds another known volume's counts, each saturating; an unknown one adds nothing.
    void Add(const DataVolume& other) {
        if (!other.known) {
            return;
        }
        known = true;
        rx = AddBytes(rx, other.rx);
        tx = AddBytes(tx, other.tx);
        roamingRx = AddBytes(roamingRx, other.roamingRx);
        roamingTx = AddBytes(roamingTx, other.roamingTx);
    }
    bool operator==(const DataVolume& other) const {
        return known == other.known &&
               (!known || (rx == other.rx && tx == other.tx && roamingRx == other.roamingRx &&
                           roamingTx == other.roamingTx));
    }
};

// " |rx|tx|" (" |Rrrx/rtx|rx|tx|" with roaming bytes) for a known volume, empty for an
// unknown one.
QString VolumeLogText(const DataVolume& volume);

// Splits the text after a line's "^" into the cost text and the volume behind it.
// *costLength receives how much of the text is the cost's.
DataVolume ReadVolumeField(QStringView afterCaret, qsizetype* costLength);

// The volume part moved into its own two tab-parted columns, for lines on the clipboard:
// "\trx\ttx" (then "\troaming rx\troaming tx" when there are roaming bytes), or empty
// when unknown.
QString VolumeClipboardText(const DataVolume& volume);

// One look at the counted link.
struct LinkSample {
    bool present = false;  // false: the link is not there now
    int index = 0;         // the kernel's index of the link: a new link has a new one
    std::uint64_t rx = 0;
    std::uint64_t tx = 0;
};

// Adds a session's bytes up from looks at the counters. The first look is where the
// session starts: a link there then counts from its counters then, a link that comes
// later (or comes again under a new index, or whose counters start again from zero)
// from zero, so the volume never goes back. A link that is away for a while and comes
// back under its index goes on from its last look. A look that failed is not fed at all.
class VolumeTally {
  public:
    void Feed(const LinkSample& sample);
    DataVolume Volume() const { return {seen_, rx_, tx_}; }

  private:
    bool first_ = true;
    bool seen_ = false;
    LinkSample last_;  // the last look that found the link
    std::uint64_t rx_ = 0;
    std::uint64_t tx_ = 0;
};

// "142.3 MB" (English), "142,3 MB" (Swedish), "142,3 Mt" (Finnish); from 1,000 MB on in
// GB with two decimals. MB = 1,000,000 bytes.
QString VolumeText(std::uint64_t bytes, int languageOffset);
// "3.4 Mbit/s"; below 1 Mbit/s in kbit/s.
QString ThroughputText(double bitsPerSecond, int languageOffset);
// "142.3 MB ↓ 12.1 MB ↑, 3.4 Mbit/s".
QString SessionVolumeText(const DataVolume& volume, double bitsPerSecond, int languageOffset);
// MB with one decimal and "." ("142.3"), for the command line and exports.
QString MegabyteText(std::uint64_t bytes);

}  // namespace vindelor
