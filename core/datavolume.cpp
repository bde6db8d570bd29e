#include "core/datavolume.h"

#include "core/texts.h"

namespace vindelor {
namespace {

constexpr std::uint64_t kMegabyte = 1000000;

// The whole number of the digits from `from` up to `end`; false when there are none or
// it is past any count a session can have.
bool ReadBytes(QStringView text, qsizetype from, qsizetype end, std::uint64_t* out) {
    if (end <= from || end - from > 20) {
        return false;
    }
    std::uint64_t value = 0;
    for (qsizetype i = from; i < end; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') {
            return false;
        }
        const std::uint64_t digit = c - u'0';
        if (value > (UINT64_MAX - digit) / 10) {
            return false;
        }
        value = value * 10 + digit;
    }
    if (value > kMaxLoggedBytes) {
        return false;
    }
    *out = value;
    return true;
}

// Tenths (or hundredths) of a unit, rounded half up, in the language's writing.
QString Decimal(std::uint64_t bytes, std::uint64_t unit, int decimals, int languageOffset) {
    const std::uint64_t scale = decimals == 2 ? 100 : 10;
    const unsigned __int128 scaled =
        (static_cast<unsigned __int128>(bytes) * scale + unit / 2) / unit;
    const auto whole = static_cast<std::uint64_t>(scaled / scale);
    const auto part = static_cast<std::uint64_t>(scaled % scale);
    const QChar point = languageOffset == kEnglishOffset ? QLatin1Char('.') : QLatin1Char(',');
    return QString::number(whole) + point +
           QStringLiteral("%1").arg(part, decimals, 10, QLatin1Char('0'));
}

QString Unit(int id, int languageOffset) {
    return LoadText(kOwnTextBase + id + languageOffset);
}

}  // namespace

QString VolumeLogText(const DataVolume& volume) {
    if (!volume.known) {
        return {};
    }
    if (volume.RoamingTotal() > 0) {
        return QStringLiteral(" |R%1/%2|%3|%4|")
            .arg(volume.roamingRx)
            .arg(volume.roamingTx)
            .arg(volume.rx)
            .arg(volume.tx);
    }
    return QStringLiteral(" |%1|%2|").arg(volume.rx).arg(volume.tx);
}

DataVolume ReadVolumeField(QStringView afterCaret, qsizetype* costLength) {
    DataVolume volume;
    const qsizetype open = afterCaret.indexOf(u" |");
    *costLength = open < 0 ? afterCaret.size() : open;
    if (open < 0) {
        return volume;
    }
    qsizetype rxFrom = open + 2;
    if (rxFrom < afterCaret.size() && afterCaret[rxFrom] == u'R') {
        const qsizetype slash = afterCaret.indexOf(u'/', rxFrom);
        const qsizetype end = slash < 0 ? -1 : afterCaret.indexOf(u'|', slash);
        if (end < 0 || !ReadBytes(afterCaret, rxFrom + 1, slash, &volume.roamingRx) ||
            !ReadBytes(afterCaret, slash + 1, end, &volume.roamingTx)) {
            return DataVolume{};
        }
        rxFrom = end + 1;
    }
    const qsizetype middle = afterCaret.indexOf(u'|', rxFrom);
    const qsizetype close = middle < 0 ? -1 : afterCaret.indexOf(u'|', middle + 1);
    if (close < 0 || close != afterCaret.size() - 1) {
        return DataVolume{};
    }
    volume.known = ReadBytes(afterCaret, rxFrom, middle, &volume.rx) &&
                   ReadBytes(afterCaret, middle + 1, close, &volume.tx) &&
                   volume.roamingRx <= volume.rx && volume.roamingTx <= volume.tx;
    if (!volume.known) {
        volume = DataVolume{};
    }
    return volume;
}

QString VolumeClipboardText(const DataVolume& volume) {
    if (!volume.known) {
        return {};
    }
    QString text = QStringLiteral("\t%1\t%2").arg(volume.rx).arg(volume.tx);
    if (volume.RoamingTotal() > 0) {
        text += QStringLiteral("\t%1\t%2").arg(volume.roamingRx).arg(volume.roamingTx);
    }
    return text;
}

void VolumeTally::Feed(const LinkSample& sample) {
    if (first_) {
        first_ = false;
        seen_ = sample.present;
        last_ = sample;
        return;
    }
    // A look that finds no link keeps the last one counted: when it comes back under
    // the same index it is the same link, and only its bytes since then are new.
    if (!sample.present) {
        return;
    }
    // A link not counted before, or another one now, has counted only bytes of this
    // session since it came.
    const bool fresh = !last_.present || last_.index != sample.index;
    const auto add = [fresh](std::uint64_t now, std::uint64_t before) {
        return fresh || now < before ? now : now - before;
    };
    rx_ = AddBytes(rx_, add(sample.rx, last_.rx));
    tx_ = AddBytes(tx_, add(sample.tx, last_.tx));
    seen_ = true;
    last_ = sample;
}

QString VolumeText(std::uint64_t bytes, int languageOffset) {
    if (bytes >= 1000 * kMegabyte - kMegabyte / 20) {
        return Decimal(bytes, 1000 * kMegabyte, 2, languageOffset) + QLatin1Char(' ') +
               Unit(kTextGigabytes, languageOffset);
    }
    return Decimal(bytes, kMegabyte, 1, languageOffset) + QLatin1Char(' ') +
           Unit(kTextMegabytes, languageOffset);
}

QString ThroughputText(double bitsPerSecond, int languageOffset) {
    const double bits = bitsPerSecond > 0 ? bitsPerSecond : 0;
    const bool mega = bits >= 999500;
    const auto scaled = static_cast<std::uint64_t>(bits + 0.5);
    return Decimal(scaled, mega ? 1000000 : 1000, 1, languageOffset) + QLatin1Char(' ') +
           Unit(mega ? kTextMegabitsPerSecond : kTextKilobitsPerSecond, languageOffset);
}

QString SessionVolumeText(const DataVolume& volume, double bitsPerSecond, int languageOffset) {
    return VolumeText(volume.rx, languageOffset) + QStringLiteral(" ↓ ") +
           VolumeText(volume.tx, languageOffset) + QStringLiteral(" ↑, ") +
           ThroughputText(bitsPerSecond, languageOffset);
}

QString MegabyteText(std::uint64_t bytes) {
    return Decimal(bytes, kMegabyte, 1, kEnglishOffset);
}

}  // namespace vindelor
