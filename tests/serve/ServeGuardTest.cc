// Who may use the web screen (RequestGuard), and what a slow viewer gets (FrameBoard).
#include <gtest/gtest.h>

#include <chrono>

#include "tools/kestrel/serve/FrameBoard.h"
#include "tools/kestrel/serve/RequestGuard.h"

namespace kestrel::tool::serve {
namespace {

TEST(RequestGuard, NamesTokensAndOrigins) {
  const std::string token(64, 'f');
  const GuardSettings loopback{token, "127.0.0.1", 8080};
  const GuardSettings named{token, "192.168.1.5", 8080};
  const GuardSettings any{token, "0.0.0.0", 8080};
  const std::string cookie = "a=1; kestrel-8080=" + token + "; b=2";
  struct Case {
    const char* what;
    const GuardSettings* settings;
    RequestFacts request;
    bool allowed;
  };
  const std::vector<Case> cases = {
      {"token in the URL", &loopback, {"GET", "127.0.0.1:8080", "", "", token, ""}, true},
      {"token in the cookie", &loopback, {"GET", "localhost:8080", "", "", "", cookie}, true},
      {"IPv6 loopback name", &loopback, {"GET", "[::1]:8080", "", "", token, ""}, true},
      {"upper-case name", &loopback, {"GET", "LOCALHOST:8080", "", "", token, ""}, true},
      {"no token", &loopback, {"GET", "127.0.0.1:8080", "", "", "", ""}, false},
      {"token cut short", &loopback, {"GET", "127.0.0.1:8080", "", "", token.substr(1), ""}, false},
      {"another server's cookie", &loopback, {"GET", "127.0.0.1:8080", "", "", "", "kestrel-8081=" + token}, false},
      {"no Host", &loopback, {"GET", "", "", "", token, ""}, false},
      {"rebound name", &loopback, {"GET", "attacker.example:8080", "", "", token, ""}, false},
      {"other port", &loopback, {"GET", "127.0.0.1:80", "", "", token, ""}, false},
      {"name without port", &loopback, {"GET", "127.0.0.1", "", "", token, ""}, false},
      {"listening address", &named, {"GET", "192.168.1.5:8080", "", "", token, ""}, true},
      {"every address names no server", &any, {"GET", "0.0.0.0:8080", "", "", token, ""}, false},
      {"POST from the page", &loopback, {"POST", "127.0.0.1:8080", "http://127.0.0.1:8080", "same-origin", "", cookie}, true},
      {"POST without Origin (a script)", &loopback, {"POST", "127.0.0.1:8080", "", "", "", cookie}, true},
      {"POST from another site", &loopback, {"POST", "127.0.0.1:8080", "http://evil.example", "", "", cookie}, false},
      {"POST from another port", &loopback, {"POST", "127.0.0.1:8080", "http://127.0.0.1:9999", "", "", cookie}, false},
      {"POST from an https page", &loopback, {"POST", "127.0.0.1:8080", "https://127.0.0.1:8080", "", "", cookie}, false},
      {"POST from a null origin", &loopback, {"POST", "127.0.0.1:8080", "null", "", "", cookie}, false},
      {"cross-site fetch", &loopback, {"POST", "127.0.0.1:8080", "", "cross-site", "", cookie}, false},
      {"same-site but other origin", &loopback, {"POST", "127.0.0.1:8080", "", "same-site", "", cookie}, false},
  };
  for (const Case& c : cases) {
    GuardVerdict verdict = checkRequest(*c.settings, c.request);
    EXPECT_EQ(verdict.allowed, c.allowed) << c.what << ": " << verdict.why;
    if (!verdict.allowed) {
      EXPECT_FALSE(verdict.why.empty()) << c.what;
    }
  }
}

TEST(RequestGuard, TokensAreLongAndFresh) {
  const std::string a = makeToken(), b = makeToken();
  EXPECT_EQ(a.size(), 64u);
  EXPECT_NE(a, b);
  EXPECT_EQ(a.find_first_not_of("0123456789abcdef"), std::string::npos);
}

TEST(FrameBoard, ASlowViewerGetsTheLatestFrameAndOnlyTheLastEvents) {
  FrameBoard board;
  for (int i = 1; i <= 5; ++i) board.publish(std::make_shared<const std::string>(std::to_string(i)), "{}");
  for (size_t i = 0; i < FrameBoard::kKeptEvents + 10; ++i) board.post(std::to_string(i));
  auto update = board.waitNewer(0, 0, std::chrono::milliseconds(0));
  ASSERT_TRUE(update.frame);
  EXPECT_EQ(update.frame->number, 5u);
  EXPECT_EQ(*update.frame->png, "5");
  ASSERT_EQ(update.events.size(), FrameBoard::kKeptEvents);
  EXPECT_EQ(update.events.front().json, "10");
  // Nothing new: the wait ends by its timeout with nothing.
  auto idle = board.waitNewer(5, update.events.back().number, std::chrono::milliseconds(10));
  EXPECT_FALSE(idle.frame);
  EXPECT_TRUE(idle.events.empty());
  board.close();
  EXPECT_TRUE(board.waitNewer(5, update.events.back().number, std::chrono::hours(1)).closed);
}

}  // namespace
}  // namespace kestrel::tool::serve
