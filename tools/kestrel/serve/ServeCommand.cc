// kestrel serve: `kestrel run` with the screen in a web browser (RunHost.h, LiveScreen.h,
// WebServer.h). The host runs on the main run loop as in `run`; the server's threads hand
// every touch, key and scroll to that loop and send the screens it draws.
#include <charconv>
#include <cstdio>
#include <memory>

#include <nlohmann/json.hpp>

#include "platform/audio/SoundService.h"
#include "platform/foundation/DeviceProfile.h"
#include "platform/ui/Screen.h"
#include "tools/kestrel/Commands.h"
#include "tools/kestrel/RunHost.h"
#include "tools/kestrel/serve/FrameBoard.h"
#include "tools/kestrel/serve/LiveScreen.h"
#include "tools/kestrel/serve/SoundShelf.h"
#include "tools/kestrel/serve/WebServer.h"

namespace kestrel::tool {
namespace {

using namespace serve;

// "ADDR:PORT", "[IPv6]:PORT"; none when it is not that.
std::optional<std::pair<std::string, int>> parseListen(const std::string& text) {
  std::string address;
  std::string port;
  if (!text.empty() && text.front() == '[') {
    auto close = text.find("]:");
    if (close == std::string::npos) return std::nullopt;
    address = text.substr(1, close - 1);
    port = text.substr(close + 2);
  } else {
    auto colon = text.rfind(':');
    if (colon == std::string::npos || text.find(':') != colon) return std::nullopt;
    address = text.substr(0, colon);
    port = text.substr(colon + 1);
  }
  int value = -1;
  auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
  if (address.empty() || port.empty() || error != std::errc() || end != port.data() + port.size() || value < 0 ||
      value > 65535)
    return std::nullopt;
  return std::make_pair(address, value);
}

bool isLoopback(const std::string& address) {
  return address == "localhost" || address == "::1" || address.rfind("127.", 0) == 0;
}

class WebScreen : public RunAttachment {
 public:
  std::optional<std::string> beforeOpen(const ParsedOptions& options) override {
    auto listen = parseListen(options.value("listen").value_or("127.0.0.1:0"));
    if (!listen) return "--listen '" + printable(options.value("listen").value_or("")) + "' is not ADDRESS:PORT";
    listen_ = *listen;
    const std::string scale = options.value("scale").value_or("2");
    if (scale != "1" && scale != "2" && scale != "3") return "--scale '" + printable(scale) + "' is not 1, 2 or 3";
    const bool tablet = DeviceProfile::current().idiom == UserInterfaceIdiom::Pad;
    size_ = {tablet ? 768.0 : 320.0, tablet ? 1024.0 : 480.0, static_cast<double>(scale[0] - '0')};
    // Images have a 1x and a 2x variant; 3x draws the 2x ones.
    ui::Screen::setScale(size_.scale > 1 ? 2 : 1);
    ui::Screen::setSize({size_.width, size_.height});
    return std::nullopt;
  }

  std::optional<std::string> attach(PluginSession& session, RunReporter& reporter) override {
    screen_ = std::make_unique<LiveScreen>(session, board_, size_);
    server_ = std::make_unique<WebServer>(board_, *screen_, &sounds_);
    std::string error;
    if (!server_->start(listen_.first, listen_.second, &error)) {
      server_.reset();
      screen_.reset();
      return error;
    }
    if (!isLoopback(listen_.first))
      std::fprintf(stderr,
                   "kestrel serve: warning: listening on %s, not the loopback address: anyone who can reach it "
                   "and has the URL can drive this device\n",
                   printable(listen_.first).c_str());
    std::printf("serving %s\n", server_->url().c_str());
    std::fflush(stdout);
    screen_->redraw();
    reporter.setAfterReport([this] { screen_->scheduleRedraw(); });
    soundObserver_ = audio::SoundService::shared().addObserver([this](const audio::SoundRecord& record) {
      nlohmann::json event;
      if (record.kind == audio::SoundRecord::Kind::Vibrate) {
        event = {{"type", "vibrate"}, {"why", record.why}};
      } else if (auto sound = sounds_.add(record.file)) {
        event = {{"type", "sound"}, {"url", "/sound/" + std::to_string(sound->number)}, {"why", record.why},
                 {"file", record.file}, {"note", sound->note}};
      } else {
        event = {{"type", "message"}, {"text", "A sound played that the browser cannot play: " + record.file}};
      }
      board_.post(event.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    });
    return std::nullopt;
  }

  void detach() override {
    audio::SoundService::shared().removeObserver(soundObserver_);
    if (server_) server_->stop();
    if (screen_) screen_->release();
    server_.reset();
    screen_.reset();
  }

 private:
  std::pair<std::string, int> listen_;
  ScreenSize size_;
  FrameBoard board_;
  SoundShelf sounds_;
  std::unique_ptr<LiveScreen> screen_;
  std::unique_ptr<WebServer> server_;
  uint64_t soundObserver_ = 0;
};

}  // namespace

int runServe(std::span<const std::string> args) {
  std::vector<OptionSpec> options = runHostOptions();
  options.push_back({"listen", "ADDR:PORT", "where to serve the page (default 127.0.0.1:0: loopback, a free port)"});
  options.push_back({"scale", "1|2|3", "pixels per point of the screen's picture (default 2)"});
  CommandLine line("serve", "--plugin PATH|tasks|events [--plugin ...] --root DIR [options]",
                   "Runs the host like `kestrel run` and shows its screen in a web browser, live: open the URL\n"
                   "printed first (it carries this run's secret token). Clicks and finger taps touch the\n"
                   "screen, typing goes to the focused text field, the wheel or a drag scrolls; sounds play in\n"
                   "the page. Several tabs may watch and touch at once. After the URL line come run's lines.\n"
                   "\n" +
                       runHostHelp(),
                   options);
  WebScreen screen;
  return runHost(line, args, &screen);
}

}  // namespace kestrel::tool
