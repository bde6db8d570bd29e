// The byte counters read from a link message as kernels of other ages send it.
#include "platform/net/linkstats.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include <linux/if_link.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>

namespace vindelor::platform {
namespace {

// An RTM_NEWLINK of "wwan0" with 32-bit counters and a 64-bit payload of `size64` bytes
// (none when 0), each attribute padded as the kernel pads it.
std::vector<char> LinkMessage(std::size_t size64, std::uint64_t rx64, std::uint64_t tx64) {
    std::vector<char> message(NLMSG_LENGTH(sizeof(ifinfomsg)));
    const auto add = [&message](unsigned short type, const void* data, std::size_t size) {
        const std::size_t at = message.size();
        message.resize(at + RTA_SPACE(size));
        rtattr attr{static_cast<unsigned short>(RTA_LENGTH(size)), type};
        std::memcpy(&message[at], &attr, sizeof(attr));
        std::memcpy(&message[at + RTA_LENGTH(0)], data, size);
    };
    add(IFLA_IFNAME, "wwan0", 6);
    rtnl_link_stats64 stats64{};
    stats64.rx_bytes = rx64;
    stats64.tx_bytes = tx64;
    if (size64 > 0) {
        add(IFLA_STATS64, &stats64, size64);
    }
    rtnl_link_stats stats32{};
    stats32.rx_bytes = 32;
    stats32.tx_bytes = 33;
    add(IFLA_STATS, &stats32, sizeof(stats32));
    nlmsghdr header{};
    header.nlmsg_len = static_cast<unsigned>(message.size());
    header.nlmsg_type = RTM_NEWLINK;
    std::memcpy(message.data(), &header, sizeof(header));
    ifinfomsg info{};
    info.ifi_index = 7;
    std::memcpy(&message[NLMSG_LENGTH(0)], &info, sizeof(info));
    return message;
}

TEST(LinkMessage, TheSixtyFourBitCountersCountFromAnyKernelThatSendsTheBytes) {
    constexpr std::size_t kUpToTx = offsetof(rtnl_link_stats64, tx_bytes) + 8;
    constexpr std::uint64_t kRx = 5000000000;  // past the 32-bit counters' wrap
    constexpr std::uint64_t kTx = 6000000000;
    const struct {
        std::size_t size64;
        std::uint64_t rx;
        std::uint64_t tx;
    } cases[] = {
        {sizeof(rtnl_link_stats64), kRx, kTx},
        {kUpToTx, kRx, kTx},    // an older kernel's shorter struct
        {kUpToTx - 8, 32, 33},  // no tx_bytes: the 32-bit counters
        {0, 32, 33},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size64);
        // The vector's buffer is aligned for any type.
        const std::vector<char> message = LinkMessage(c.size64, kRx, kTx);
        const LinkStats link = ParseLinkMessage(reinterpret_cast<const nlmsghdr*>(message.data()));
        EXPECT_TRUE(link.present);
        EXPECT_EQ(link.index, 7);
        EXPECT_EQ(link.name, QStringLiteral("wwan0"));
        EXPECT_EQ(link.rxBytes, c.rx);
        EXPECT_EQ(link.txBytes, c.tx);
    }
}

}  // namespace
}  // namespace vindelor::platform
