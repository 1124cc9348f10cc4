// Who the page serves: a request must name the page by its own address, `localhost` or a name
// configured for it (a page reached through another name is a foreign site's, by DNS
// rebinding); from this machine only its user, unless the token comes along. Pure checks over
// what a request carries; any thread.
#pragma once

#include <string>
#include <sys/socket.h>
#include <vector>

namespace dopplex::headless {

// `host` as the Host header gives it ("name", "name:port", "[v6]:port"); `ours` the address the
// connection came in on; `names` lower case.
bool host_allowed(const std::string& host, const sockaddr_storage& ours,
                  const std::vector<std::string>& names);
// 127.0.0.0/8 and ::1, also as IPv4-mapped addresses.
bool loopback_peer(const sockaddr_storage& peer);
// Compares all of both, so the time taken says nothing about where they differ.
bool same_secret(const std::string& given, const std::string& token);

} // namespace dopplex::headless
