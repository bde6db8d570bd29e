// The data volume of a running session: the kernel's counters of the counted link, looked
// at no more than once a second (the session tick runs every 20 ms), added up by a
// VolumeTally, and the throughput between two looks. The session's data charge and the
// volume warnings are worked out from it by DataSession.
#pragma once

#include "core/datatariff.h"
#include "core/datavolume.h"
#include "core/roamingtariff.h"
#include "platform/net/linkstats.h"

#include <QDate>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace vindelor::monitor {

class DataCount {
  public:
    static constexpr long long kLookIntervalMs = 1000;

    // Where the counters are read; unset: the kernel's routing socket. Tests read a
    // namespace of their own here.
    std::function<std::unique_ptr<platform::LinkStatsQuery>()> makeQuery;

    // The session begins. `name` is the link to count; empty: a point-to-point link that
    // comes up during the session (one that was there before is not the session's), or,
    // without `findPointToPoint`, the link named by a later look.
    void Begin(const QString& name, long long nowMs, bool findPointToPoint = true);
    // The name may become known, or change, while the session runs. Looks when a second
    // has passed since the last look (or when `force`); true when the volume changed.
    bool Look(const QString& name, long long nowMs, const QDate& today, bool force = false);
    // Whether the session's modem roams now: the bytes of each later look count as
    // roaming ones while it does.
    void SetRoaming(bool roaming) { roaming_ = roaming; }

    // Whether a look is due (a second since the last).
    bool Due(long long nowMs) const { return query_ && nowMs - lastMs_ >= kLookIntervalMs; }

    DataVolume Volume() const;
    double BitsPerSecond() const { return bitsPerSecond_; }
    // The calendar days on which the session moved data.
    const QSet<QDate>& DataDays() const { return days_; }
    // The link counted last (empty until one was found).
    QString Counted() const { return counted_; }

  private:
    LinkSample Sample(const QString& name, bool* failed);

    std::unique_ptr<platform::LinkStatsQuery> query_;
    VolumeTally tally_;
    QSet<int> pointToPointBefore_;  // indexes of the links there when the session began
    QString counted_;
    bool findPointToPoint_ = true;
    long long lastMs_ = 0;
    std::uint64_t lastTotal_ = 0;
    double bitsPerSecond_ = 0;
    QSet<QDate> days_;
    bool roaming_ = false;
    std::uint64_t roamingRx_ = 0;
    std::uint64_t roamingTx_ = 0;
};

// What the data of a running session costs and which volume warnings are due, from the
// tariff and what the log holds of the billing month.
class DataSession {
  public:
    void Begin(const DataTariff& tariff, const BillingMonth& month, const LoggedData& logged,
               const std::vector<int>& given);
    // Roaming's tariff and the month's logged bytes abroad; unpriced roaming leaves the
    // bytes abroad at the home tariff.
    void BeginRoaming(const RoamingTariff& tariff, std::uint64_t loggedBytes,
                      const std::vector<int>& given);
    // The session's data charge in ten-thousandths for this volume and these days.
    std::int64_t Charge(const DataVolume& volume, const QSet<QDate>& days) const;
    // The month's bytes with the session's.
    std::uint64_t MonthBytes(const DataVolume& volume) const;
    // The month's bytes abroad with the session's.
    std::uint64_t MonthRoamingBytes(const DataVolume& volume) const;
    // Warnings newly due (taken as given), and whether the cap is reached now for the
    // first time; the same for the cap abroad.
    struct Due {
        std::vector<int> warnings;
        bool hangUp = false;
        std::vector<int> roamingWarnings;
        bool roamingHangUp = false;
    };
    Due Check(const DataVolume& volume);
    const BillingMonth& Month() const { return month_; }
    const std::vector<int>& Given() const { return given_; }
    const std::vector<int>& RoamingGiven() const { return roamingGiven_; }
    const RoamingTariff& Roaming() const { return roaming_; }

  private:
    DataTariff tariff_;
    BillingMonth month_;
    LoggedData logged_;
    std::vector<int> given_;
    bool hungUp_ = false;
    RoamingTariff roaming_;
    std::uint64_t loggedRoaming_ = 0;
    std::vector<int> roamingGiven_;
    bool roamingHungUp_ = false;
};

}  // namespace vindelor::monitor
