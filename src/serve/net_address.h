// net_address.h - the addresses a phone on the same network reaches this machine by.
#pragma once

#include <string>
#include <vector>

namespace quorix::serve {

// The IPv4 addresses of the interfaces that are up, loopback left out, private networks
// (10/8, 172.16/12, 192.168/16) first, as a phone on the same Wi-Fi most likely sees one.
std::vector<std::string> LanAddresses();

// True for an address that means every interface: "0.0.0.0", "::" or empty.
bool IsAnyAddress(const std::string& address);

// "http://HOST:PORT" + path, with an IPv6 host in brackets.
std::string HttpUrl(const std::string& host, int port, const std::string& path);

}  // namespace quorix::serve
