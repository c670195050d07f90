// RequestGuard: who may use the web screen. Every request must carry the run's secret token,
// in the URL's "token" parameter (the first visit) or in the cookie the first visit sets
// (cookieName()); must name this server in its Host header (the listening address, or
// localhost, with the port), so a foreign name that resolves here (DNS rebinding) is
// refused; and a request that changes state (any but GET and HEAD) must not come from
// another site: its Origin, when present, is this server, and its Sec-Fetch-Site, when
// present, is same-origin. A refusal says why in one line, for the 403 answer.
// Pure functions; thread-safe.
#pragma once

#include <string>
#include <string_view>

namespace kestrel::tool::serve {

struct GuardSettings {
  std::string token;
  std::string listenAddress;  // as bound: "127.0.0.1", "::1", "0.0.0.0", a name
  int port = 0;
};

struct RequestFacts {
  std::string method;
  std::string host;            // Host header; empty when absent
  std::string origin;          // Origin header; empty when absent
  std::string fetchSite;       // Sec-Fetch-Site header; empty when absent
  std::string queryToken;      // the URL's token parameter; empty when absent
  std::string cookies;         // Cookie header; empty when absent
};

struct GuardVerdict {
  bool allowed = false;
  std::string why;  // when refused
};

GuardVerdict checkRequest(const GuardSettings& settings, const RequestFacts& request);
// "kestrel-PORT": a cookie per server, so two servers on one machine keep their own.
std::string cookieName(int port);
// A fresh token: 32 random bytes as hexadecimal, from the system's random source.
std::string makeToken();

}  // namespace kestrel::tool::serve
