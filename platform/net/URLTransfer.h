// Between URLConnection (in libkestrel-platform.so) and the transfer worker that drives
// libcurl (libkestrel-net.so, loaded on the first connection; PlatformParts.h).
//
// The connection owns its Transfer; the worker keeps a reference while it runs it and tells
// what happens through the deliver functions, which hand each event to the main run loop
// (nothing reaches a delegate once its connection ended or was cancelled). Threads: owner
// and delegate on the main thread only; the worker's fields on the worker's thread only;
// `cancelled` from either.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "platform/net/URLConnection.h"

namespace kestrel::net {

struct URLConnection::Transfer {
  URLRequest request;
  // Main thread only.
  URLConnection* owner = nullptr;
  URLConnectionDelegate* delegate = nullptr;
  // Worker thread only.
  void* handle = nullptr;
  size_t received = 0;
  bool tooLarge = false;
  bool responseSent = false;
  char errorBuffer[256] = {};
  // Either side.
  std::atomic<bool> cancelled{false};
};

using URLTransferRef = std::shared_ptr<URLConnection::Transfer>;

// The response (once per transfer), a chunk of the body, and the end: a failure's message,
// or none when it finished.
void deliverURLResponse(const URLTransferRef& transfer, const URLResponse& response);
void deliverURLData(const URLTransferRef& transfer, std::string chunk);
void deliverURLEnd(const URLTransferRef& transfer, std::optional<std::string> error);

// The process's one transfer worker.
class URLTransferWorker {
 public:
  virtual ~URLTransferWorker() = default;
  virtual void add(const URLTransferRef& transfer) = 0;
  virtual void cancel(const URLTransferRef& transfer) = 0;
  // Transfers added and not yet dropped.
  virtual size_t active() const = 0;
};

// The entry libkestrel-net.so exports: the worker, made on the first call.
using URLTransferWorkerEntry = URLTransferWorker* (*)();
inline constexpr const char* kURLTransferWorkerSymbol = "kestrel_url_transfer_worker";

}  // namespace kestrel::net
