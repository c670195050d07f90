// A generated device whose host is served on loopback in this process, as `kestrel serve`
// serves it: the test's thread is the main run loop, and requests go out from a client
// thread (onClient), so every touch really crosses from a server thread to the main loop.
// As in serve, run's reporter follows the host's publishes (its lines go nowhere) and has
// the screen drawn again after each.
#pragma once

#include <httplib.h>

#include <functional>
#include <memory>
#include <string>

#include "tests/kestrel/GeneratedDevice.h"
#include "tools/kestrel/RunReporter.h"
#include "tools/kestrel/serve/FrameBoard.h"
#include "tools/kestrel/serve/LiveScreen.h"
#include "tools/kestrel/serve/WebServer.h"

namespace kestrel::test {

class ServedDevice {
 public:
  static constexpr double kScale = 2;

  // `renderFirst`: the picture `kestrel render` draws of the fresh device, taken before the
  // served session loads (one session at a time), into renderedPng().
  explicit ServedDevice(bool renderFirst = false, std::vector<std::string> options = {});
  ~ServedDevice();

  GeneratedDevice& device() { return device_; }
  tool::PluginSession& session() { return *session_; }
  tool::serve::FrameBoard& board() { return board_; }
  tool::serve::LiveScreen& screen() { return *screen_; }
  tool::serve::WebServer& server() { return *server_; }
  const std::string& renderedPng() const { return renderedPng_; }

  std::string host() const { return "127.0.0.1:" + std::to_string(server_->port()); }
  std::string cookie() const { return "kestrel-" + std::to_string(server_->port()) + "=" + server_->token(); }
  // A client with the token cookie set.
  std::unique_ptr<httplib::Client> client() const;

  // Runs `work` on a thread of its own while this thread pumps the main run loop, until it
  // returns or `seconds` pass (then the test fails, and the work is still waited for).
  void onClient(const std::function<void()>& work, double seconds = 60);
  // Pumps the main run loop until `condition` holds or `seconds` pass; answers it.
  bool pumpUntil(const std::function<bool()>& condition, double seconds = 30);
  uint64_t latestFrame() const;

 private:
  GeneratedDevice device_;
  std::string renderedPng_;
  std::unique_ptr<tool::PluginSession> session_;
  std::FILE* reportOut_ = nullptr;
  std::unique_ptr<tool::RunReporter> reporter_;
  tool::serve::FrameBoard board_;
  std::unique_ptr<tool::serve::LiveScreen> screen_;
  std::unique_ptr<tool::serve::WebServer> server_;
};

// POSTs a JSON body as the page does (same-origin headers).
httplib::Result postJson(httplib::Client& client, const std::string& path, const std::string& body);

}  // namespace kestrel::test
