#include "platform/net/URLConnection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/RunLoopPump.h"

using namespace kestrel;
using namespace kestrel::net;
using kestrel::test::LoopbackHttpServer;
using kestrel::test::pumpUntil;

namespace {

// Records what a connection tells it, checking that it hears it on the main thread.
struct Recorder : URLConnectionDelegate {
  std::vector<std::string> events;
  std::string body;
  long status = 0;
  bool offMain = false;
  bool ended = false;

  void note(std::string event) {
    if (!RunLoop::isMainThread()) offMain = true;
    events.push_back(std::move(event));
  }
  void connection(URLConnection&, const URLResponse& response) override {
    status = response.statusCode;
    note("response");
  }
  void connection(URLConnection&, std::string_view data) override {
    body.append(data);
    if (events.empty() || events.back() != "data") note("data");
  }
  void connectionDidFinishLoading(URLConnection&) override {
    ended = true;
    note("finish");
  }
  void connection(URLConnection&, const URLError& error) override {
    ended = true;
    note("fail: " + error.message);
  }
};

bool noTransferLeft() {
  return pumpUntil([] { return URLConnection::activeTransferCount() == 0; }, 5);
}

}  // namespace

TEST(URLConnectionTest, DeliversResponseBodyAndEndOnTheMainThreadWithErrorStatusesAsResponses) {
  LoopbackHttpServer server;
  std::string big(200000, 'x');
  server.server().Get("/ok", [&](const httplib::Request&, httplib::Response& res) { res.set_content(big, "text/plain"); });
  server.server().Get("/missing", [](const httplib::Request&, httplib::Response& res) {
    res.status = 404;
    res.set_content("nothing here", "text/plain");
  });

  Recorder ok, missing;
  auto first = URLConnection::connectionWithRequest({.url = server.url("/ok")}, &ok);
  auto second = URLConnection::connectionWithRequest({.url = server.url("/missing")}, &missing);
  ASSERT_TRUE(pumpUntil([&] { return ok.ended && missing.ended; }));

  EXPECT_EQ(ok.events, (std::vector<std::string>{"response", "data", "finish"}));
  EXPECT_EQ(ok.body, big);
  EXPECT_EQ(ok.status, 200);
  EXPECT_EQ(missing.events, (std::vector<std::string>{"response", "data", "finish"}));
  EXPECT_EQ(missing.status, 404);
  EXPECT_FALSE(ok.offMain || missing.offMain);
  EXPECT_FALSE(first->isRunning());
  EXPECT_TRUE(noTransferLeft());
}

TEST(URLConnectionTest, RepliesBeyondTheLimitOrTheTimeFailWithoutWaitingForTheEnd) {
  LoopbackHttpServer server;
  // 50 MB, streamed.
  server.server().Get("/huge", [](const httplib::Request&, httplib::Response& res) {
    res.set_content_provider(50u << 20, "text/xml", [](size_t offset, size_t length, httplib::DataSink& sink) {
      std::string chunk(std::min<size_t>(length, 64 << 10), 'a');
      return sink.write(chunk.data(), chunk.size());
    });
  });
  server.server().Get("/slow", [&](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("application/octet-stream", [&](size_t offset, httplib::DataSink& sink) {
      if (offset == 0) sink.write("<GeocodeResponse>", 17);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      return server.keepsWaiting();
    });
  });

  Recorder huge, slow;
  auto a = URLConnection::connectionWithRequest({.url = server.url("/huge"), .maxBytes = 1 << 20}, &huge);
  auto b = URLConnection::connectionWithRequest({.url = server.url("/slow"), .timeoutSeconds = 0.5}, &slow);
  ASSERT_TRUE(pumpUntil([&] { return huge.ended && slow.ended; }, 10));

  ASSERT_FALSE(huge.events.empty());
  EXPECT_NE(huge.events.back().find("fail: reply larger than 1048576 bytes"), std::string::npos) << huge.events.back();
  EXPECT_LE(huge.body.size(), 1u << 20);
  EXPECT_NE(slow.events.back().find("fail: timed out"), std::string::npos) << slow.events.back();
  EXPECT_TRUE(noTransferLeft());
}

TEST(URLConnectionTest, CancelledTransfersSayNothingMoreAndLeaveNoTransferRunning) {
  LoopbackHttpServer server;
  server.server().Get("/hang", [&](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("application/octet-stream", [&](size_t, httplib::DataSink& sink) {
      sink.write("x", 1);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      return server.keepsWaiting();
    });
  });

  Recorder cancelled, destroyed;
  auto kept = URLConnection::connectionWithRequest({.url = server.url("/hang")}, &cancelled);
  auto dropped = URLConnection::connectionWithRequest({.url = server.url("/hang")}, &destroyed);
  ASSERT_TRUE(pumpUntil([&] { return !cancelled.body.empty() && !destroyed.body.empty(); }));
  kept->cancel();
  dropped.reset();
  size_t heard = cancelled.events.size() + destroyed.events.size();

  EXPECT_FALSE(kept->isRunning());
  EXPECT_TRUE(noTransferLeft());
  pumpUntil([] { return false; }, 0.2);
  EXPECT_EQ(cancelled.events.size() + destroyed.events.size(), heard);
  EXPECT_FALSE(cancelled.ended || destroyed.ended);
}

TEST(URLConnectionTest, OtherSchemesAndClosedPortsFail) {
  int closedPort;
  {
    LoopbackHttpServer gone;
    closedPort = gone.port();
  }
  Recorder file, refused, redirected;
  LoopbackHttpServer server;
  server.server().Get("/to-file", [](const httplib::Request&, httplib::Response& res) {
    res.set_redirect("file:///etc/passwd");
  });
  auto a = URLConnection::connectionWithRequest({.url = "file:///etc/passwd"}, &file);
  auto b = URLConnection::connectionWithRequest(
      {.url = "http://127.0.0.1:" + std::to_string(closedPort) + "/", .timeoutSeconds = 5}, &refused);
  auto c = URLConnection::connectionWithRequest({.url = server.url("/to-file")}, &redirected);
  ASSERT_TRUE(pumpUntil([&] { return file.ended && refused.ended && redirected.ended; }));

  EXPECT_EQ(file.events.size(), 1u);
  EXPECT_EQ(file.events.front().rfind("fail: not an http or https URL", 0), 0u) << file.events.front();
  EXPECT_EQ(refused.events.back().rfind("fail: ", 0), 0u);
  EXPECT_EQ(redirected.events.back().rfind("fail: ", 0), 0u) << redirected.events.back();
  EXPECT_EQ(redirected.body.find("root:"), std::string::npos);
}
