// An HTTP server on 127.0.0.1 at a free port, run by the test itself (cpp-httplib), that
// counts the requests it gets per path. Handlers that wait (a reply that never finishes)
// should poll keepsWaiting() so that stopping the server never hangs. Text replies may be
// compressed (and so held back until complete): stream partial replies as binary types.
// Every wait has a deadline: a server that does not start fails the test instead of
// hanging it, and a waiting handler gives up after kHandlerDeadline.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace kestrel::test {

class LoopbackHttpServer {
 public:
  static constexpr std::chrono::seconds kStartDeadline{10};
  static constexpr std::chrono::seconds kHandlerDeadline{60};

  LoopbackHttpServer() {
    server_.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
      std::lock_guard lock(mutex_);
      ++hits_[request.path];
      ++total_;
      return httplib::Server::HandlerResponse::Unhandled;
    });
    // One request per connection, so that stopping never waits for an idle client.
    server_.set_keep_alive_max_count(1);
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) {
      ADD_FAILURE() << "the loopback server could not bind a port";
      return;
    }
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    const auto deadline = std::chrono::steady_clock::now() + kStartDeadline;
    while (!server_.is_running()) {
      if (std::chrono::steady_clock::now() > deadline) {
        ADD_FAILURE() << "the loopback server did not start listening on port " << port_;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  ~LoopbackHttpServer() { stop(); }
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  httplib::Server& server() { return server_; }
  std::string url(const std::string& path = "") const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  int port() const { return port_; }
  size_t hits(const std::string& path) const {
    std::lock_guard lock(mutex_);
    auto it = hits_.find(path);
    return it == hits_.end() ? 0 : it->second;
  }
  size_t totalHits() const {
    std::lock_guard lock(mutex_);
    return total_;
  }
  bool isStopping() const { return stopping_; }
  // What a waiting handler goes on while: the server is not stopping, and it has not waited
  // past kHandlerDeadline since the server started.
  bool keepsWaiting() const { return !stopping_ && std::chrono::steady_clock::now() < started_ + kHandlerDeadline; }
  // Lets a waiting handler go and closes the port: the network is gone from here on.
  void stop() {
    stopping_ = true;
    server_.stop();
    if (thread_.joinable()) thread_.join();
  }
  // Waits (polling) while keepsWaiting(); for handlers that never finish their reply. False
  // when the deadline came first.
  bool waitUntilStopping() const {
    while (keepsWaiting()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return stopping_;
  }

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  mutable std::mutex mutex_;
  std::map<std::string, size_t> hits_;
  size_t total_ = 0;
};

}  // namespace kestrel::test
