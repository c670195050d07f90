// The transfer worker of URLConnection: one thread of the process over a libcurl multi
// handle, in libkestrel-net.so so that only processes that load URLs map libcurl.
#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/foundation/Format.h"
#include "platform/net/URLTransfer.h"

namespace kestrel::net {
namespace {

static_assert(sizeof(URLConnection::Transfer::errorBuffer) >= CURL_ERROR_SIZE);

CURL* easyOf(const URLTransferRef& transfer) { return static_cast<CURL*>(transfer->handle); }

void sendResponse(const URLTransferRef& transfer) {
  if (transfer->responseSent) return;
  transfer->responseSent = true;
  URLResponse response;
  curl_easy_getinfo(easyOf(transfer), CURLINFO_RESPONSE_CODE, &response.statusCode);
  const char* type = nullptr;
  if (curl_easy_getinfo(easyOf(transfer), CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
    response.contentType = type;
  deliverURLResponse(transfer, response);
}

size_t writeBody(char* data, size_t size, size_t count, void* user) {
  auto* holder = static_cast<URLTransferRef*>(user);
  const URLTransferRef& transfer = *holder;
  size_t length = size * count;
  if (transfer->cancelled) return 0;
  if (length > transfer->request.maxBytes - std::min(transfer->received, transfer->request.maxBytes)) {
    transfer->tooLarge = true;
    return 0;
  }
  transfer->received += length;
  sendResponse(transfer);
  deliverURLData(transfer, std::string(data, length));
  return length;
}

// The process's one transfer thread over a curl multi handle. Commands from the main
// thread (add, cancel) are queued under the lock and the thread is woken for them.
class TransferWorker : public URLTransferWorker {
 public:
  TransferWorker() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    multi_ = curl_multi_init();
  }

  void add(const URLTransferRef& transfer) override {
    std::lock_guard lock(mutex_);
    ++active_;
    adds_.push_back(transfer);
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    curl_multi_wakeup(multi_);
  }

  void cancel(const URLTransferRef& transfer) override {
    transfer->cancelled = true;
    std::lock_guard lock(mutex_);
    auto queued = std::find(adds_.begin(), adds_.end(), transfer);
    if (queued != adds_.end()) {
      adds_.erase(queued);
      --active_;
      return;
    }
    cancels_.push_back(transfer);
    curl_multi_wakeup(multi_);
  }

  size_t active() const override { return active_; }

  ~TransferWorker() override {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
      curl_multi_wakeup(multi_);
    }
    if (thread_.joinable()) thread_.join();
    for (auto& [easy, holder] : running_) {
      curl_multi_remove_handle(multi_, easy);
      curl_easy_cleanup(easy);
    }
    running_.clear();
    curl_multi_cleanup(multi_);
  }

 private:

  void run() {
    while (true) {
      std::vector<URLTransferRef> adds, cancels;
      {
        std::lock_guard lock(mutex_);
        if (stop_) return;
        adds.swap(adds_);
        cancels.swap(cancels_);
      }
      for (const URLTransferRef& transfer : adds) start(transfer);
      for (const URLTransferRef& transfer : cancels) {
        if (transfer->handle) drop(easyOf(transfer));
      }
      int running = 0;
      curl_multi_perform(multi_, &running);
      int queued = 0;
      while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
        if (message->msg != CURLMSG_DONE) continue;
        finish(message->easy_handle, message->data.result);
      }
      curl_multi_poll(multi_, nullptr, 0, 1000, nullptr);
    }
  }

  void start(const URLTransferRef& transfer) {
    CURL* easy = curl_easy_init();
    if (!easy) {
      --active_;
      deliverURLEnd(transfer, std::string("could not start a transfer"));
      return;
    }
    transfer->handle = easy;
    auto holder = std::make_unique<URLTransferRef>(transfer);
    const URLRequest& request = transfer->request;
    long timeoutMs = std::lround(std::clamp(request.timeoutSeconds, 0.001, 3600.0) * 1000);
    curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, timeoutMs);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, std::min(timeoutMs, 10000L));
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Kestrel/1.0 (lock-screen plug-ins)");
    // Compressed replies are counted against the limit as they are decoded.
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.maxBytes));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, holder.get());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer->errorBuffer);
    curl_easy_setopt(easy, CURLOPT_PRIVATE, holder.get());
    curl_multi_add_handle(multi_, easy);
    running_.emplace(easy, std::move(holder));
  }

  void finish(CURL* easy, CURLcode result) {
    auto it = running_.find(easy);
    if (it == running_.end()) return;
    URLTransferRef transfer = *it->second;
    std::optional<std::string> error;
    if (transfer->tooLarge || result == CURLE_FILESIZE_EXCEEDED) {
      error = "reply larger than " + std::to_string(transfer->request.maxBytes) + " bytes";
    } else if (result == CURLE_OPERATION_TIMEDOUT) {
      error = KSFormat("timed out after %g s", transfer->request.timeoutSeconds);
    } else if (result != CURLE_OK) {
      error = std::string(curl_easy_strerror(result));
      if (transfer->errorBuffer[0]) *error += std::string(" (") + transfer->errorBuffer + ")";
    } else {
      sendResponse(transfer);
    }
    drop(easy);
    if (!transfer->cancelled) deliverURLEnd(transfer, std::move(error));
  }

  void drop(CURL* easy) {
    auto it = running_.find(easy);
    if (it == running_.end()) return;
    curl_multi_remove_handle(multi_, easy);
    curl_easy_cleanup(easy);
    (*it->second)->handle = nullptr;
    running_.erase(it);
    --active_;
  }

  CURLM* multi_ = nullptr;
  mutable std::mutex mutex_;
  std::vector<URLTransferRef> adds_;     // GUARDED_BY(mutex_)
  std::vector<URLTransferRef> cancels_;  // GUARDED_BY(mutex_)
  bool stop_ = false;                 // GUARDED_BY(mutex_)
  std::atomic<size_t> active_{0};
  std::thread thread_;
  std::map<CURL*, std::unique_ptr<URLTransferRef>> running_;  // worker thread only
};

}  // namespace
}  // namespace kestrel::net

extern "C" __attribute__((visibility("default"))) kestrel::net::URLTransferWorker* kestrel_url_transfer_worker() {
  static kestrel::net::TransferWorker worker;
  return &worker;
}
