// URLConnection: one asynchronous HTTP(S) GET, as the platform's URL connection does it —
// started at once, its progress told to a delegate on the main run loop.
//
// Transfers run on one worker thread of the process that drives libcurl's multi interface,
// so the main thread never waits on the network. The delegate hears, on the main thread
// and in this order: the response (status code and content type, once), the body in
// chunks, then exactly one of "finished" or "failed". Each request has a whole-request
// timeout and a size limit: a body beyond the limit, a timeout, a refused scheme (only
// http and https, redirects included) or any transport error ends in "failed" with a
// message. HTTP error statuses are delivered as responses, not failures, as the platform
// does; the caller judges the status.
//
// Cancelling (cancel(), or destroying the connection) is immediate from the caller's side:
// nothing more reaches the delegate once it returns; the worker drops the transfer at its
// next turn, which it is woken for. activeTransferCount() counts the transfers the worker
// still holds, so callers can check that none is left running.
//
// Ownership: the caller owns the connection; the delegate is not owned and must outlive the
// connection or cancel it first. Threads: create, cancel and destroy on the main thread.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace kestrel::net {

struct URLRequest {
  std::string url;
  double timeoutSeconds = 20;
  size_t maxBytes = 1 << 20;
};

struct URLResponse {
  long statusCode = 0;
  std::string contentType;
};

struct URLError {
  std::string message;
};

class URLConnection;

class URLConnectionDelegate {
 public:
  virtual ~URLConnectionDelegate() = default;
  virtual void connection(URLConnection& connection, const URLResponse& didReceiveResponse) {}
  virtual void connection(URLConnection& connection, std::string_view didReceiveData) {}
  virtual void connectionDidFinishLoading(URLConnection& connection) = 0;
  virtual void connection(URLConnection& connection, const URLError& didFailWithError) = 0;
};

class URLConnection {
 public:
  // Starts the transfer. A URL that is not http or https fails on the next turn of the
  // main run loop, like any other failure.
  static std::unique_ptr<URLConnection> connectionWithRequest(const URLRequest& request,
                                                              URLConnectionDelegate* delegate);
  ~URLConnection();
  URLConnection(const URLConnection&) = delete;
  URLConnection& operator=(const URLConnection&) = delete;

  const URLRequest& request() const { return request_; }
  // Until the delegate has heard "finished" or "failed", or the connection was cancelled.
  bool isRunning() const;
  void cancel();

  // Transfers started and not yet dropped by the worker (all connections of the process).
  static size_t activeTransferCount();

  struct Transfer;

 private:
  URLConnection(const URLRequest& request, URLConnectionDelegate* delegate);

  URLRequest request_;
  std::shared_ptr<Transfer> transfer_;
};

}  // namespace kestrel::net
