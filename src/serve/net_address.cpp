// net_address.cpp - getifaddrs, read once per call.
#include "serve/net_address.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>

namespace quorix::serve {
namespace {

bool IsPrivate(std::uint32_t address) {
    return (address >> 24) == 10 || (address >> 20) == ((172u << 4) | 1) ||
           (address >> 16) == ((192u << 8) | 168);
}

}  // namespace

std::vector<std::string> LanAddresses() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return {};
    std::vector<std::pair<bool, std::string>> found;  // (not private, text)
    for (const ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET) continue;
        if ((it->ifa_flags & IFF_UP) == 0 || (it->ifa_flags & IFF_LOOPBACK) != 0) continue;
        const in_addr address = reinterpret_cast<const sockaddr_in*>(it->ifa_addr)->sin_addr;
        char text[INET_ADDRSTRLEN] = {};
        if (::inet_ntop(AF_INET, &address, text, sizeof text) == nullptr) continue;
        found.emplace_back(!IsPrivate(ntohl(address.s_addr)), text);
    }
    ::freeifaddrs(list);
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> addresses;
    for (auto& [other, text] : found) {
        if (std::find(addresses.begin(), addresses.end(), text) == addresses.end()) {
            addresses.push_back(text);
        }
    }
    return addresses;
}

bool IsAnyAddress(const std::string& address) {
    return address.empty() || address == "0.0.0.0" || address == "::";
}

std::string HttpUrl(const std::string& host, int port, const std::string& path) {
    const bool v6 = host.find(':') != std::string::npos;
    return "http://" + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port) + path;
}

}  // namespace quorix::serve
