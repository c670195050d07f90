#include "platform/net/URLConnection.h"

#include <functional>
#include <optional>
#include <string>

#include "platform/foundation/PlatformParts.h"
#include "platform/foundation/RunLoop.h"
#include "platform/net/NetworkSettings.h"
#include "platform/net/URLTransfer.h"

namespace kestrel::net {

namespace {

using Transfer = URLConnection::Transfer;

// Runs `body` with the transfer's connection and delegate on the main thread, unless the
// connection ended or was cancelled in the meantime.
void deliver(const URLTransferRef& transfer, std::function<void(URLConnection&, URLConnectionDelegate&)> body) {
  RunLoop::main().deferredInvoke([transfer, body = std::move(body)] {
    if (!transfer->owner || !transfer->delegate) return;
    body(*transfer->owner, *transfer->delegate);
  });
}

// The worker, loaded with the network part on the first connection; none without it.
URLTransferWorker* worker() {
  static URLTransferWorker* shared = [] {
    RunLoop::main();  // made first, so it outlives the worker's last deliveries
    auto entry = reinterpret_cast<URLTransferWorkerEntry>(platformPartSymbol(kPlatformNetPart, kURLTransferWorkerSymbol));
    return entry ? entry() : nullptr;
  }();
  return shared;
}

}  // namespace

void deliverURLResponse(const URLTransferRef& transfer, const URLResponse& response) {
  deliver(transfer, [response](URLConnection& connection, URLConnectionDelegate& delegate) {
    delegate.connection(connection, response);
  });
}

void deliverURLData(const URLTransferRef& transfer, std::string chunk) {
  deliver(transfer, [chunk = std::move(chunk)](URLConnection& connection, URLConnectionDelegate& delegate) {
    delegate.connection(connection, std::string_view(chunk));
  });
}

void deliverURLEnd(const URLTransferRef& transfer, std::optional<std::string> error) {
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
    deliverURLEnd(connection->transfer_, "not an http or https URL: " + request.url);
  } else if (URLTransferWorker* transfers = worker()) {
    transfers->add(connection->transfer_);
  } else {
    deliverURLEnd(connection->transfer_, std::string("no network: ") + kPlatformNetPart + " cannot be loaded");
  }
  return connection;
}

URLConnection::~URLConnection() { cancel(); }

bool URLConnection::isRunning() const { return transfer_->owner != nullptr; }

void URLConnection::cancel() {
  if (!transfer_->owner) return;
  transfer_->owner = nullptr;
  transfer_->delegate = nullptr;
  if (isWebURL(request_.url) && platformPartLoaded(kPlatformNetPart))
    if (URLTransferWorker* transfers = worker()) transfers->cancel(transfer_);
}

size_t URLConnection::activeTransferCount() {
  // No connection started yet: nothing to load the network part for.
  if (!platformPartLoaded(kPlatformNetPart)) return 0;
  URLTransferWorker* transfers = worker();
  return transfers ? transfers->active() : 0;
}

}  // namespace kestrel::net
