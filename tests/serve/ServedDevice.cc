#include "tests/serve/ServedDevice.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/foundation/Files.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/Screen.h"
#include "tests/kestrel/CommandCapture.h"

namespace kestrel::test {

ServedDevice::ServedDevice(bool renderFirst, std::vector<std::string> options) {
  ui::Screen::setScale(kScale);
  ui::Screen::setSize({320, 480});
  if (renderFirst) {
    const std::string out = device_.root() + "/render.png";
    auto args = device_.sessionArgs(options);
    args.insert(args.end(), {"--out", out});
    CommandRun run = runRender(args);
    EXPECT_EQ(run.status, 0) << run.err;
    if (auto bytes = files::readFile(out)) renderedPng_.assign(bytes->begin(), bytes->end());
  }
  session_ = device_.openSession(options);
  if (!session_) return;
  screen_ = std::make_unique<tool::serve::LiveScreen>(*session_, board_, tool::serve::ScreenSize{320, 480, kScale});
  server_ = std::make_unique<tool::serve::WebServer>(board_, *screen_, nullptr);
  std::string error;
  EXPECT_TRUE(server_->start("127.0.0.1", 0, &error)) << error;
  screen_->redraw();
  reportOut_ = std::fopen("/dev/null", "w");
  reporter_ = std::make_unique<tool::RunReporter>(*session_, reportOut_, std::nullopt);
  reporter_->setAfterReport([this] { screen_->scheduleRedraw(); });
  reporter_->start();
}

ServedDevice::~ServedDevice() {
  if (reporter_) reporter_->stop();
  reporter_.reset();
  if (reportOut_) std::fclose(reportOut_);
  if (server_) server_->stop();
  if (screen_) screen_->release();
  server_.reset();
  screen_.reset();
  session_.reset();
}

std::unique_ptr<httplib::Client> ServedDevice::client() const {
  auto client = std::make_unique<httplib::Client>("127.0.0.1", server_->port());
  client->set_default_headers({{"Cookie", cookie()}});
  client->set_read_timeout(20, 0);
  client->set_connection_timeout(5, 0);
  return client;
}

void ServedDevice::onClient(const std::function<void()>& work, double seconds) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    work();
    done.store(true);
    RunLoop::main().deferredInvoke([] {});
  });
  const bool finished = pumpUntil([&] { return done.load(); }, seconds);
  EXPECT_TRUE(finished) << "the client's requests did not finish in " << seconds << " s";
  while (!done.load()) RunLoop::main().runFor(0.01);
  worker.join();
  RunLoop::main().pump();
}

bool ServedDevice::pumpUntil(const std::function<bool()>& condition, double seconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    RunLoop::main().runFor(0.01);
  }
  return true;
}

uint64_t ServedDevice::latestFrame() const {
  auto frame = board_.latest();
  return frame ? frame->number : 0;
}

httplib::Result postJson(httplib::Client& client, const std::string& path, const std::string& body) {
  return client.Post(path.c_str(), body, "application/json");
}

}  // namespace kestrel::test
