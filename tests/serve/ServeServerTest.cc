// kestrel serve's server over loopback: what a viewer gets, what a touch does, and what the
// server refuses, with the host's main loop in this thread.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/foundation/RunLoop.h"
#include "tests/kestrel/GeneratedDevice.h"
#include "tests/serve/ServedDevice.h"

namespace kestrel::test {
namespace {

using namespace std::chrono_literals;

// The n-th task row (from 1) the section shows, by id.
std::string taskRowID(HostEngine& engine, int n) {
  int seen = 0;
  for (const auto& row : engine.rows())
    if (row->uniqueID.rfind("[[[", 0) != 0 && ++seen == n) return row->uniqueID;
  return {};
}

std::string touchJson(uint64_t frame, const char* phase, double x, double y) {
  return "{\"frame\":" + std::to_string(frame) + ",\"phase\":\"" + phase + "\",\"x\":" + std::to_string(x) +
         ",\"y\":" + std::to_string(y) + "}";
}

// A tap at a point: begin and end, as the page sends them.
void tap(httplib::Client& client, uint64_t frame, double x, double y, int* beginStatus = nullptr) {
  auto begin = postJson(client, "/touch", touchJson(frame, "begin", x, y));
  ASSERT_TRUE(begin);
  if (beginStatus) *beginStatus = begin->status;
  auto end = postJson(client, "/touch", touchJson(frame, "end", x, y));
  ASSERT_TRUE(end);
}

TEST(ServeServer, FirstScreenIsWhatRenderDrawsAndTheFirstVisitSetsTheCookie) {
  ServedDevice served(/*renderFirst=*/true);
  ASSERT_FALSE(served.renderedPng().empty());
  served.onClient([&] {
    httplib::Client bare("127.0.0.1", served.server().port());
    auto page = bare.Get(("/?token=" + served.server().token()).c_str());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->get_header_value("Set-Cookie").find(served.cookie()), std::string::npos);
    EXPECT_NE(page->body.find("screen.js"), std::string::npos);
    auto picture = served.client()->Get("/screen.png");
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->status, 200);
    EXPECT_EQ(picture->get_header_value("Content-Type"), "image/png");
    EXPECT_TRUE(picture->body == served.renderedPng()) << "served " << picture->body.size() << " bytes, render wrote "
                                                       << served.renderedPng().size();
  });
}

TEST(ServeServer, EventStreamStartsWithTheLatestFrame) {
  ServedDevice served;
  served.onClient([&] {
    auto client = served.client();
    std::string received;
    client->Get("/events", [&](const char* data, size_t length) {
      received.append(data, length);
      return received.find("\n\n") == std::string::npos;  // stop after the first event
    });
    EXPECT_EQ(received.rfind("event: frame\ndata: {\"frame\":" + std::to_string(served.latestFrame()), 0), 0u)
        << received.substr(0, 200);
    EXPECT_NE(received.find("\"kind\":\"lock\""), std::string::npos);
  });
}

TEST(ServeServer, TouchingTaskRowTwosCompletionControlRemovesItAndPushesANewScreen) {
  ServedDevice served;
  HostEngine& engine = served.session().engine();
  const std::string id = taskRowID(engine, 2);
  ASSERT_FALSE(id.empty());
  auto frame = served.screen().rowFrame(id);
  ASSERT_TRUE(frame);
  const uint64_t before = served.latestFrame();
  auto firstPng = served.board().latest()->png;
  RunLoop::main().advanceClockBy(10);  // a fresh user action for the plug-in
  served.onClient([&] { tap(*served.client(), before, 320 - 12, frame->y() + 10); });
  EXPECT_TRUE(served.pumpUntil([&] { return !engine.row(id); })) << "task " << id << " is still listed";
  EXPECT_TRUE(served.pumpUntil([&] { return served.latestFrame() > before && !served.screen().rowFrame(id); }));
  EXPECT_NE(*served.board().latest()->png, *firstPng);
}

TEST(ServeServer, TouchingARowOpensItsPageAndATouchForTheClosedScreenIsRefused) {
  ServedDevice served;
  HostEngine& engine = served.session().engine();
  const std::string id = taskRowID(engine, 1);
  auto frame = served.screen().rowFrame(id);
  ASSERT_TRUE(frame);
  const uint64_t lockFrame = served.latestFrame();
  served.onClient([&] { tap(*served.client(), lockFrame, 100, frame->y() + 10); });
  ASSERT_TRUE(served.pumpUntil([&] { return served.screen().showsPage() && served.latestFrame() > lockFrame; }));
  // A touch meant for the lock screen must not land on the page that now covers it.
  auto page = engine.plugin().currentPreview();
  int status = 0;
  served.onClient([&] { tap(*served.client(), lockFrame, 100, 200, &status); });
  EXPECT_EQ(status, 409);
  EXPECT_EQ(engine.plugin().currentPreview(), page);
}

TEST(ServeServer, AKeyWithoutAFocusedFieldIsRefusedAndChangesNothing) {
  ServedDevice served;
  const uint64_t before = served.latestFrame();
  served.onClient([&] {
    auto reply = postJson(*served.client(), "/key", R"({"text":"x"})");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 409);
    EXPECT_NE(reply->body.find("no text field"), std::string::npos);
  });
  EXPECT_EQ(served.latestFrame(), before);
}

// Each request is a completion touch that would remove task row 2, but for one fault.
TEST(ServeServer, RequestsWithoutTokenFromAnotherHostOrOriginAre403AndChangeNothing) {
  ServedDevice served;
  HostEngine& engine = served.session().engine();
  const std::string id = taskRowID(engine, 2);
  auto frame = served.screen().rowFrame(id);
  ASSERT_TRUE(frame);
  const uint64_t shown = served.latestFrame();
  const std::string body = touchJson(shown, "begin", 320 - 12, frame->y() + 10);
  const std::string bodyEnd = touchJson(shown, "end", 320 - 12, frame->y() + 10);
  const std::string port = std::to_string(served.server().port());
  struct Case {
    const char* what;
    httplib::Headers headers;
  };
  const std::vector<Case> cases = {
      {"no token", {}},
      {"wrong token", {{"Cookie", "kestrel-" + port + "=" + std::string(64, 'a')}}},
      {"another server's cookie", {{"Cookie", "kestrel-1=" + served.server().token()}}},
      {"foreign Host", {{"Cookie", served.cookie()}, {"Host", "evil.example:" + port}}},
      {"Host with another port", {{"Cookie", served.cookie()}, {"Host", "127.0.0.1:1"}}},
      {"foreign Origin", {{"Cookie", served.cookie()}, {"Origin", "http://evil.example"}}},
      {"Origin on another port", {{"Cookie", served.cookie()}, {"Origin", "http://127.0.0.1:1"}}},
      {"cross-site fetch", {{"Cookie", served.cookie()}, {"Sec-Fetch-Site", "cross-site"}}},
  };
  RunLoop::main().advanceClockBy(10);
  served.onClient([&] {
    for (const Case& c : cases) {
      httplib::Client client("127.0.0.1", served.server().port());
      for (const std::string* b : {&body, &bodyEnd}) {
        auto reply = client.Post("/touch", c.headers, *b, "application/json");
        ASSERT_TRUE(reply) << c.what;
        EXPECT_EQ(reply->status, 403) << c.what;
      }
      if (c.headers.count("Origin") || c.headers.count("Sec-Fetch-Site")) continue;  // reading is no harm
      auto picture = client.Get("/screen.png", c.headers);
      ASSERT_TRUE(picture) << c.what;
      EXPECT_EQ(picture->status, 403) << c.what;
      EXPECT_EQ(picture->body.find("\x89PNG"), std::string::npos) << c.what;
    }
  });
  served.pumpUntil([] { return false; }, 0.5);
  EXPECT_TRUE(engine.row(id)) << "a refused touch completed the task";
  EXPECT_EQ(served.latestFrame(), shown);
}

TEST(ServeServer, SettingsScreenTakesTapsAndRefusesWhatItCannotDo) {
  ServedDevice served;
  struct Step {
    const char* path;
    std::string body;
    int status;
  };
  const std::vector<Step> steps = {
      {"/screen", R"({"screen":"settings"})", 200},
      {"/screen", R"({"screen":"settings","pane":"no/such/pane"})", 404},
      {"/screen", R"({"screen":"settings","back":true})", 409},  // the first pane has no way back
      {"/screen", R"({"screen":"elsewhere"})", 400},
      {"/key", R"({"text":"x"})", 409},  // no text row is being typed
      {"/screen", R"({"screen":"settings","pane":"tasks"})", 200},
      {"/screen", R"({"screen":"lock"})", 200},
  };
  for (const Step& step : steps) {
    int status = 0;
    served.onClient([&] {
      auto reply = postJson(*served.client(), step.path, step.body);
      ASSERT_TRUE(reply);
      status = reply->status;
    });
    EXPECT_EQ(status, step.status) << step.path << " " << step.body;
  }
  EXPECT_TRUE(served.pumpUntil([&] { return served.board().latest()->meta.find("\"kind\":\"lock\"") != std::string::npos; }));
}

// Sends raw bytes to the server and reads what comes back within `seconds`.
std::string rawExchange(int port, const std::string& bytes, double seconds = 5) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return {};
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  timeval timeout{static_cast<time_t>(seconds), 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  std::string reply;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    size_t sent = 0;
    while (sent < bytes.size()) {
      ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
    ::shutdown(fd, SHUT_WR);
    char buffer[4096];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) reply.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return reply;
}

TEST(ServeServer, AThousandHostileRequestsLeaveTheServerAndTheMainLoopRunning) {
  ServedDevice served;
  HostEngine& engine = served.session().engine();
  const size_t rowsBefore = engine.rows().size();
  const int port = served.server().port();
  const std::string host = "Host: " + served.host() + "\r\n";
  const std::string cookie = "Cookie: " + served.cookie() + "\r\n";
  const std::string frame = std::to_string(served.latestFrame());
  // Requests with the token, so they reach the handlers, with everything else wrong.
  const std::vector<std::string> bodies = {
      "", "null", "[]", "{", "{\"phase\":\"begin\"}", "{\"phase\":\"begin\",\"x\":\"ten\",\"y\":3}",
      "{\"phase\":\"begin\",\"frame\":" + frame + ",\"x\":1e308,\"y\":1e308}",
      "{\"phase\":\"begin\",\"frame\":" + frame + ",\"x\":-5,\"y\":-5}",
      "{\"phase\":\"jump\",\"x\":1,\"y\":1}", "{\"phase\":\"end\",\"x\":100,\"y\":100}",
      "{\"phase\":\"move\",\"frame\":-1,\"x\":100,\"y\":100}", "{\"phase\":[1,2],\"x\":{},\"y\":null}",
      "{\"text\":\"\\ud800\"}", "{\"key\":\"F13\"}", "{\"x\":1,\"y\":1,\"dy\":1e999}",
  };
  const std::vector<std::string> paths = {"/touch", "/key", "/scroll"};
  const std::vector<std::string> getPaths = {"/../../etc/passwd", "/%2e%2e/%2e%2e/etc/passwd", "/screen.js/../../x",
                                             "/sound/99999", "/sound/../../etc", "/nothing", "/index.html%00.png",
                                             "//etc/passwd", "/sound/1e9"};
  std::atomic<int> answered{0}, serverErrors{0}, sent{0};
  std::thread slow([&] {
    // A client that sends one byte a second for a few seconds, holding its connection.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
      for (char c : std::string("GET /scr")) {
        ::send(fd, &c, 1, MSG_NOSIGNAL);
        std::this_thread::sleep_for(1s);
      }
    ::close(fd);
  });
  served.onClient(
      [&] {
        auto client = served.client();
        for (int round = 0; sent.load() < 900; ++round) {
          for (const auto& path : paths)
            for (const auto& body : bodies) {
              auto reply = client->Post(path.c_str(), body, "application/json");
              ++sent;
              if (reply) ++answered;
              if (reply && reply->status >= 500 && reply->status != 503) ++serverErrors;
            }
          for (const auto& path : getPaths) {
            auto reply = client->Get(path.c_str());
            ++sent;
            if (reply) ++answered;
            if (reply && reply->status == 200) ADD_FAILURE() << path << " was served";
          }
        }
        // Malformed and oversized requests, on raw connections.
        const std::vector<std::string> raw = {
            "GARBAGE\r\n\r\n",
            "GET\r\n\r\n",
            "GET / HTTP/9.9\r\n" + host + cookie + "\r\n",
            std::string(100000, 'A') + "\r\n\r\n",
            "GET /screen.png HTTP/1.1\r\n" + host + cookie + "X-Big: " + std::string(1 << 20, 'h') + "\r\n\r\n",
            "POST /touch HTTP/1.1\r\n" + host + cookie + "Content-Type: application/json\r\nContent-Length: " +
                std::to_string(10 << 20) + "\r\n\r\n" + std::string(10 << 20, '{'),
            "POST /touch HTTP/1.1\r\n" + host + cookie + "Content-Length: -1\r\n\r\n",
            "POST /touch HTTP/1.1\r\n" + host + cookie + "Transfer-Encoding: chunked\r\n\r\nffffffffffff\r\n",
        };
        for (const auto& bytes : raw) {
          std::string reply = rawExchange(port, bytes);
          ++sent;
          if (reply.rfind("HTTP/1.1 2", 0) == 0) ADD_FAILURE() << "a malformed request was answered 2xx";
        }
      },
      240);
  slow.join();
  EXPECT_GE(sent.load(), 900);
  EXPECT_EQ(serverErrors.load(), 0);
  EXPECT_GT(answered.load(), 800);
  // Still serving, and the main loop still runs what it is given.
  bool ran = false;
  RunLoop::main().deferredInvoke([&] { ran = true; });
  served.onClient([&] {
    auto picture = served.client()->Get("/screen.png");
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->status, 200);
  });
  EXPECT_TRUE(ran);
  EXPECT_EQ(engine.rows().size(), rowsBefore);
}

}  // namespace
}  // namespace kestrel::test
