#include "tools/kestrel/serve/RequestGuard.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <random>

namespace kestrel::tool::serve {
namespace {

// Compares without stopping at the first difference, so the time says nothing of the token.
bool sameSecret(std::string_view a, std::string_view b) {
  if (a.size() != b.size() || a.empty()) return false;
  unsigned char difference = 0;
  for (size_t i = 0; i < a.size(); ++i) difference |= static_cast<unsigned char>(a[i] ^ b[i]);
  return difference == 0;
}

std::string lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

// The value of cookie `name` in a Cookie header ("a=1; b=2"); empty when absent.
std::string cookieValue(std::string_view header, std::string_view name) {
  size_t at = 0;
  while (at < header.size()) {
    size_t end = header.find(';', at);
    if (end == std::string_view::npos) end = header.size();
    std::string_view part = header.substr(at, end - at);
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    if (part.size() > name.size() && part.substr(0, name.size()) == name && part[name.size()] == '=')
      return std::string(part.substr(name.size() + 1));
    at = end + 1;
  }
  return {};
}

bool nameAllowed(const GuardSettings& settings, const std::string& hostPort) {
  const std::string port = ":" + std::to_string(settings.port);
  if (hostPort.size() <= port.size() || hostPort.compare(hostPort.size() - port.size(), port.size(), port) != 0)
    return false;
  const std::string name = lower(hostPort.substr(0, hostPort.size() - port.size()));
  if (name == "localhost" || name == "127.0.0.1" || name == "[::1]") return true;
  const std::string listen = lower(settings.listenAddress);
  if (listen.empty() || listen == "0.0.0.0" || listen == "::") return false;
  return name == listen || name == "[" + listen + "]";
}

}  // namespace

std::string cookieName(int port) { return "kestrel-" + std::to_string(port); }

GuardVerdict checkRequest(const GuardSettings& settings, const RequestFacts& request) {
  if (!nameAllowed(settings, request.host))
    return {false, request.host.empty() ? "no Host header" : "the Host header names another server"};
  const bool hasToken = sameSecret(request.queryToken, settings.token) ||
                        sameSecret(cookieValue(request.cookies, cookieName(settings.port)), settings.token);
  if (!hasToken) return {false, "no valid token: open the URL that kestrel serve printed"};
  const bool changesState = request.method != "GET" && request.method != "HEAD";
  if (changesState) {
    if (!request.origin.empty()) {
      const std::string origin = lower(request.origin);
      if (origin.rfind("http://", 0) != 0 || !nameAllowed(settings, origin.substr(7)))
        return {false, "the request comes from another site"};
    }
    if (!request.fetchSite.empty() && request.fetchSite != "same-origin" && request.fetchSite != "none")
      return {false, "the request comes from another site"};
  }
  return {true, {}};
}

std::string makeToken() {
  std::random_device random;  // the system's random source
  std::string token;
  char hex[3];
  for (int i = 0; i < 32; ++i) {
    std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned>(random() & 0xff));
    token += hex;
  }
  return token;
}

}  // namespace kestrel::tool::serve
