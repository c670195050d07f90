// WebServer: the HTTP side of `kestrel serve`, on threads of its own (cpp-httplib).
//
// Every request passes RequestGuard first (403 with one line otherwise). Then:
//   GET  /              the page (the first visit, with ?token=, also sets the token cookie)
//   GET  /screen.js /screen.css   the page's script and style, compiled in (PageFiles.h)
//   GET  /events        Server-Sent Events: "frame" (the frame's number and what the page
//                       shows beside the picture) whenever the host draws a new screen, the
//                       latest one first; "sound", "vibrate" and "message" as they happen;
//                       a comment line every kIdleSeconds so proxies keep the stream
//   GET  /screen.png    the latest frame's PNG, as `kestrel render` writes it
//   GET  /sound/N       the sound of event N, in a format browsers play (SoundShelf.h)
//   POST /touch /key /scroll /screen   input as JSON, performed on the main run loop
//                       (LiveScreen.h); the answer is {"message": ...} with LiveScreen's
//                       status
// No path from a request reaches the file system. Bodies are limited to kMaxBody bytes,
// event streams to kMaxViewers at once; a request the main loop cannot take in time is
// answered 503. A viewer that reads slowly blocks only its own stream, and gets the
// latest frame when it reads again.
//
// start() binds and listens; stop() ends every stream, refuses what still waits for the
// main loop and joins the threads. Thread-safe; start and stop on the main thread.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "tools/kestrel/serve/FrameBoard.h"
#include "tools/kestrel/serve/MainThreadGate.h"
#include "tools/kestrel/serve/RequestGuard.h"

namespace httplib {
class Server;
}

namespace kestrel::tool::serve {

class LiveScreen;
class SoundShelf;

class WebServer {
 public:
  static constexpr size_t kMaxBody = 64 * 1024;
  static constexpr int kMaxViewers = 32;
  static constexpr int kThreads = kMaxViewers + 16;
  static constexpr int kIdleSeconds = 15;

  // `screen` is used on the main thread only, through the gate; `sounds` may be none.
  WebServer(FrameBoard& board, LiveScreen& screen, SoundShelf* sounds);
  ~WebServer();
  WebServer(const WebServer&) = delete;
  WebServer& operator=(const WebServer&) = delete;

  // Binds `address` at `port` (0: the system picks one); false and why on failure.
  bool start(const std::string& address, int port, std::string* error);
  void stop();

  int port() const { return guard_.port; }
  const std::string& token() const { return guard_.token; }
  // "http://HOST:PORT/?token=..." (an IPv6 address in brackets).
  std::string url() const;
  int viewers() const { return viewers_.load(); }
  // Main-loop calls, for the host's own redraw ticks.
  MainThreadGate& gate() { return gate_; }

 private:
  void routes();

  FrameBoard& board_;
  LiveScreen& screen_;
  SoundShelf* sounds_;
  MainThreadGate gate_;
  GuardSettings guard_;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  std::thread ticker_;
  std::atomic<bool> stopping_{false};
  std::atomic<int> viewers_{0};
};

}  // namespace kestrel::tool::serve
