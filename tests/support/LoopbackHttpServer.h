// An HTTP server on 127.0.0.1 at a free port, run by the test itself (cpp-httplib), that
// counts the requests it gets per path. Handlers that wait (a reply that never finishes)
// should poll isStopping() so that stopping the server never hangs. Text replies may be
// compressed (and so held back until complete): stream partial replies as binary types.
#pragma once

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
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
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
  // Lets a waiting handler go and closes the port: the network is gone from here on.
  void stop() {
    stopping_ = true;
    server_.stop();
    if (thread_.joinable()) thread_.join();
  }
  // Waits (polling) until the server stops; for handlers that never finish their reply.
  void waitUntilStopping() const {
    while (!stopping_) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::map<std::string, size_t> hits_;
  size_t total_ = 0;
};

}  // namespace kestrel::test
