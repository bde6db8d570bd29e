#include "monitor/datacount.h"

#include <algorithm>

namespace vindelor::monitor {

void DataCount::Begin(const QString& name, long long nowMs, bool findPointToPoint) {
    if (!query_) {
        query_ = makeQuery ? makeQuery() : std::make_unique<platform::LinkStatsQuery>();
    }
    tally_ = VolumeTally{};
    pointToPointBefore_.clear();
    counted_.clear();
    days_.clear();
    roaming_ = false;
    roamingRx_ = 0;
    roamingTx_ = 0;
    bitsPerSecond_ = 0;
    lastTotal_ = 0;
    lastMs_ = nowMs;
    findPointToPoint_ = findPointToPoint;
    if (name.isEmpty() && !findPointToPoint) {
        return;  // the link's own look, once it is named, is where the session starts
    }
    if (name.isEmpty()) {
        for (const platform::LinkStats& link : query_->PointToPointLinks()) {
            pointToPointBefore_.insert(link.index);
        }
        tally_.Feed(LinkSample{});  // the session's link is not there yet
        return;
    }
    // A first look that failed says nothing of where the counters stood: the next
    // look that answers is the start, not a link that came during the session.
    bool failed = false;
    const LinkSample first = Sample(name, &failed);
    if (!failed) {
        tally_.Feed(first);
    }
}

LinkSample DataCount::Sample(const QString& name, bool* failed) {
    platform::LinkStats link;
    if (!name.isEmpty()) {
        link = query_->Read(name);
    } else {
        for (const platform::LinkStats& candidate : query_->PointToPointLinks()) {
            if (!pointToPointBefore_.contains(candidate.index)) {
                link = candidate;
                break;
            }
        }
    }
    *failed = link.error != 0;
    if (link.present) {
        counted_ = link.name;
    }
    return LinkSample{link.present, link.index, link.rxBytes, link.txBytes};
}

bool DataCount::Look(const QString& name, long long nowMs, const QDate& today, bool force) {
    if (!query_ || (!force && nowMs - lastMs_ < kLookIntervalMs)) {
        return false;
    }
    // A point-to-point link once found is followed by its name, also when it comes again.
    const QString looked = name.isEmpty() && !counted_.isEmpty() ? counted_ : name;
    if (looked.isEmpty() && !findPointToPoint_) {
        return false;
    }
    bool failed = false;
    const LinkSample sample = Sample(looked, &failed);
    if (failed) {
        return false;
    }
    const DataVolume before = tally_.Volume();
    tally_.Feed(sample);
    const DataVolume after = tally_.Volume();
    if (roaming_) {
        roamingRx_ += after.rx - before.rx;
        roamingTx_ += after.tx - before.tx;
    }
    const long long spent = nowMs - lastMs_;
    if (spent > 0) {
        bitsPerSecond_ = static_cast<double>(after.Total() - before.Total()) * 8000.0 /
                         static_cast<double>(spent);
    }
    lastMs_ = nowMs;
    if (after.Total() > lastTotal_) {
        days_.insert(today);
    }
    lastTotal_ = after.Total();
    return !(after == before);
}

DataVolume DataCount::Volume() const {
    DataVolume volume = tally_.Volume();
    volume.roamingRx = roamingRx_;
    volume.roamingTx = roamingTx_;
    return volume;
}

void DataSession::Begin(const DataTariff& tariff, const BillingMonth& month,
                        const LoggedData& logged, const std::vector<int>& given) {
    tariff_ = tariff;
    month_ = month;
    logged_ = logged;
    given_ = given;
    hungUp_ = false;
    roaming_ = RoamingTariff{};
    loggedRoaming_ = 0;
    roamingGiven_.clear();
    roamingHungUp_ = false;
}

void DataSession::BeginRoaming(const RoamingTariff& tariff, std::uint64_t loggedBytes,
                               const std::vector<int>& given) {
    roaming_ = tariff;
    loggedRoaming_ = loggedBytes;
    roamingGiven_ = given;
}

std::int64_t DataSession::Charge(const DataVolume& volume, const QSet<QDate>& days) const {
    if (!volume.known) {
        return 0;
    }
    int newDays = 0;
    for (const QDate& day : days) {
        newDays += logged_.paidDays.contains(day) ? 0 : 1;
    }
    if (!roaming_.Priced()) {
        return DataCharge(tariff_, logged_.bytes, volume.Total(), newDays);
    }
    return DataCharge(tariff_, logged_.bytes, volume.HomeTotal(), newDays) +
           RoamingCharge(roaming_, tariff_, loggedRoaming_, volume.RoamingTotal());
}

std::uint64_t DataSession::MonthBytes(const DataVolume& volume) const {
    if (!volume.known) {
        return logged_.bytes;
    }
    return AddBytes(logged_.bytes, roaming_.Priced() ? volume.HomeTotal() : volume.Total());
}

std::uint64_t DataSession::MonthRoamingBytes(const DataVolume& volume) const {
    return AddBytes(loggedRoaming_, volume.known ? volume.RoamingTotal() : 0);
}

DataSession::Due DataSession::Check(const DataVolume& volume) {
    Due due;
    const std::uint64_t used = MonthBytes(volume);
    due.warnings = DataWarningsReached(used, tariff_, given_);
    given_.insert(given_.end(), due.warnings.begin(), due.warnings.end());
    std::sort(given_.begin(), given_.end());
    if (tariff_.hangUpAt && !hungUp_ && tariff_.includedBytes > 0 &&
        used >= tariff_.includedBytes) {
        hungUp_ = true;
        due.hangUp = true;
    }
    const std::uint64_t abroad = MonthRoamingBytes(volume);
    due.roamingWarnings = RoamingWarningsReached(abroad, roaming_, roamingGiven_);
    roamingGiven_.insert(roamingGiven_.end(), due.roamingWarnings.begin(),
                         due.roamingWarnings.end());
    std::sort(roamingGiven_.begin(), roamingGiven_.end());
    if (roaming_.hangUpAtBytes > 0 && !roamingHungUp_ && abroad >= roaming_.hangUpAtBytes) {
        roamingHungUp_ = true;
        due.roamingHangUp = true;
    }
    return due;
}

}  // namespace vindelor::monitor
