#include "platform/net/URLConnection.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/foundation/Format.h"
#include "platform/foundation/RunLoop.h"
#include "platform/net/NetworkSettings.h"

namespace kestrel::net {

struct URLConnection::Transfer {
  URLRequest request;
  // Main thread only.
  URLConnection* owner = nullptr;
  URLConnectionDelegate* delegate = nullptr;
  // Worker thread only.
  CURL* easy = nullptr;
  size_t received = 0;
  bool tooLarge = false;
  bool responseSent = false;
  char errorBuffer[CURL_ERROR_SIZE] = {};
  // Either side.
  std::atomic<bool> cancelled{false};
};

namespace {

using Transfer = URLConnection::Transfer;
using TransferRef = std::shared_ptr<Transfer>;

// Runs `body` with the transfer's connection and delegate on the main thread, unless the
// connection ended or was cancelled in the meantime.
void deliver(const TransferRef& transfer, std::function<void(URLConnection&, URLConnectionDelegate&)> body) {
  RunLoop::main().deferredInvoke([transfer, body = std::move(body)] {
    if (!transfer->owner || !transfer->delegate) return;
    body(*transfer->owner, *transfer->delegate);
  });
}

void deliverEnd(const TransferRef& transfer, std::optional<std::string> error) {
  RunLoop::main().deferredInvoke([transfer, error = std::move(error)] {
    URLConnection* owner = transfer->owner;
    URLConnectionDelegate* delegate = transfer->delegate;
    if (!owner || !delegate) return;
    // Ended before the delegate runs: it may drop the connection from inside the call.
    transfer->owner = nullptr;
    transfer->delegate = nullptr;
    if (error) {
      delegate->connection(*owner, URLError{*error});
    } else {
      delegate->connectionDidFinishLoading(*owner);
    }
  });
}

void deliverResponse(const TransferRef& transfer) {
  if (transfer->responseSent) return;
  transfer->responseSent = true;
  URLResponse response;
  curl_easy_getinfo(transfer->easy, CURLINFO_RESPONSE_CODE, &response.statusCode);
  const char* type = nullptr;
  if (curl_easy_getinfo(transfer->easy, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type) response.contentType = type;
  deliver(transfer, [response](URLConnection& connection, URLConnectionDelegate& delegate) {
    delegate.connection(connection, response);
  });
}

size_t writeBody(char* data, size_t size, size_t count, void* user) {
  auto* holder = static_cast<TransferRef*>(user);
  const TransferRef& transfer = *holder;
  size_t length = size * count;
  if (transfer->cancelled) return 0;
  if (length > transfer->request.maxBytes - std::min(transfer->received, transfer->request.maxBytes)) {
    transfer->tooLarge = true;
    return 0;
  }
  transfer->received += length;
  deliverResponse(transfer);
  deliver(transfer, [chunk = std::string(data, length)](URLConnection& connection, URLConnectionDelegate& delegate) {
    delegate.connection(connection, std::string_view(chunk));
  });
  return length;
}

// The process's one transfer thread over a curl multi handle. Commands from the main
// thread (add, cancel) are queued under the lock and the thread is woken for them.
class TransferWorker {
 public:
  static TransferWorker& shared() {
    static TransferWorker worker;
    return worker;
  }

  void add(const TransferRef& transfer) {
    std::lock_guard lock(mutex_);
    ++active_;
    adds_.push_back(transfer);
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    curl_multi_wakeup(multi_);
  }

  void cancel(const TransferRef& transfer) {
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

  size_t active() const { return active_; }

 private:
  TransferWorker() {
    RunLoop::main();  // made first, so it outlives the worker's last deliveries
    curl_global_init(CURL_GLOBAL_DEFAULT);
    multi_ = curl_multi_init();
  }

  ~TransferWorker() {
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

  void run() {
    while (true) {
      std::vector<TransferRef> adds, cancels;
      {
        std::lock_guard lock(mutex_);
        if (stop_) return;
        adds.swap(adds_);
        cancels.swap(cancels_);
      }
      for (const TransferRef& transfer : adds) start(transfer);
      for (const TransferRef& transfer : cancels) {
        if (transfer->easy) drop(transfer->easy);
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

  void start(const TransferRef& transfer) {
    CURL* easy = curl_easy_init();
    if (!easy) {
      --active_;
      deliverEnd(transfer, std::string("could not start a transfer"));
      return;
    }
    transfer->easy = easy;
    auto holder = std::make_unique<TransferRef>(transfer);
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
    TransferRef transfer = *it->second;
    std::optional<std::string> error;
    if (transfer->tooLarge || result == CURLE_FILESIZE_EXCEEDED) {
      error = "reply larger than " + std::to_string(transfer->request.maxBytes) + " bytes";
    } else if (result == CURLE_OPERATION_TIMEDOUT) {
      error = KSFormat("timed out after %g s", transfer->request.timeoutSeconds);
    } else if (result != CURLE_OK) {
      error = std::string(curl_easy_strerror(result));
      if (transfer->errorBuffer[0]) *error += std::string(" (") + transfer->errorBuffer + ")";
    } else {
      deliverResponse(transfer);
    }
    drop(easy);
    if (!transfer->cancelled) deliverEnd(transfer, std::move(error));
  }

  void drop(CURL* easy) {
    auto it = running_.find(easy);
    if (it == running_.end()) return;
    curl_multi_remove_handle(multi_, easy);
    curl_easy_cleanup(easy);
    (*it->second)->easy = nullptr;
    running_.erase(it);
    --active_;
  }

  CURLM* multi_ = nullptr;
  mutable std::mutex mutex_;
  std::vector<TransferRef> adds_;     // GUARDED_BY(mutex_)
  std::vector<TransferRef> cancels_;  // GUARDED_BY(mutex_)
  bool stop_ = false;                 // GUARDED_BY(mutex_)
  std::atomic<size_t> active_{0};
  std::thread thread_;
  std::map<CURL*, std::unique_ptr<TransferRef>> running_;  // worker thread only
};

}  // namespace

URLConnection::URLConnection(const URLRequest& request, URLConnectionDelegate* delegate)
    : request_(request), transfer_(std::make_shared<Transfer>()) {
  transfer_->request = request;
  transfer_->owner = this;
  transfer_->delegate = delegate;
}

std::unique_ptr<URLConnection> URLConnection::connectionWithRequest(const URLRequest& request,
                                                                   URLConnectionDelegate* delegate) {
  std::unique_ptr<URLConnection> connection(new URLConnection(request, delegate));
  if (!isWebURL(request.url)) {
    deliverEnd(connection->transfer_, "not an http or https URL: " + request.url);
  } else {
    TransferWorker::shared().add(connection->transfer_);
  }
  return connection;
}

URLConnection::~URLConnection() { cancel(); }

bool URLConnection::isRunning() const { return transfer_->owner != nullptr; }

void URLConnection::cancel() {
  if (!transfer_->owner) return;
  transfer_->owner = nullptr;
  transfer_->delegate = nullptr;
  if (isWebURL(request_.url)) TransferWorker::shared().cancel(transfer_);
}

size_t URLConnection::activeTransferCount() { return TransferWorker::shared().active(); }

}  // namespace kestrel::net
