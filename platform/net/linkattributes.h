// The attributes of one RTM_NEWLINK / RTM_DELLINK message, walked in one place: both the
// link watch and the byte counters read them, and a walk that trusts a length the kernel
// did not give reads past the message.
#pragma once

#include <QByteArray>

#include <cstring>

#include <linux/netlink.h>
#include <linux/rtnetlink.h>

namespace vindelor::platform {

// Calls visit(const rtattr*) for each attribute in the order the kernel sent them, until
// one call returns false.
template <typename Visit>
void ForEachLinkAttribute(const nlmsghdr* header, Visit&& visit) {
    const auto* info = static_cast<const ifinfomsg*>(NLMSG_DATA(header));
    int left = static_cast<int>(header->nlmsg_len) - static_cast<int>(NLMSG_LENGTH(sizeof(*info)));
    for (const rtattr* attr = IFLA_RTA(info); left > 0 && RTA_OK(attr, left);
         attr = RTA_NEXT(attr, left)) {
        if (!visit(attr)) {
            return;
        }
    }
}

// A string attribute up to its NUL, never past its own length.
inline QByteArray LinkAttributeText(const rtattr* attr) {
    const char* text = static_cast<const char*>(RTA_DATA(attr));
    return QByteArray(text, static_cast<int>(strnlen(text, RTA_PAYLOAD(attr))));
}

}  // namespace vindelor::platform
