#include "tools/kestrel/serve/WebServer.h"

#include <httplib.h>

#include <charconv>
#include <chrono>

#include <nlohmann/json.hpp>

#include "tools/kestrel/serve/LiveScreen.h"
#include "tools/kestrel/serve/PageFiles.h"
#include "tools/kestrel/serve/SoundShelf.h"

namespace kestrel::tool::serve {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

// How long a request waits for the main run loop before it is answered 503.
constexpr auto kMainLoopDeadline = 5s;
// How often the screen is drawn again while a viewer watches (captions move on with time).
constexpr auto kTick = 1s;

std::string dumped(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

void answer(httplib::Response& response, int status, const std::string& message) {
  response.status = status;
  response.set_header("Cache-Control", "no-store");
  response.set_content(dumped(json{{"message", message}}), "application/json");
}

// A JSON body's number field, or none when it is missing or not a number.
std::optional<double> number(const json& body, const char* key) {
  auto it = body.find(key);
  if (it == body.end() || !it->is_number()) return std::nullopt;
  return it->get<double>();
}

uint64_t frameOf(const json& body) {
  auto it = body.find("frame");
  return it != body.end() && it->is_number_unsigned() ? it->get<uint64_t>() : 0;
}

std::string serverName(const std::string& address) {
  return address.find(':') != std::string::npos ? "[" + address + "]" : address;
}

}  // namespace

WebServer::WebServer(FrameBoard& board, LiveScreen& screen, SoundShelf* sounds)
    : board_(board), screen_(screen), sounds_(sounds), server_(std::make_unique<httplib::Server>()) {}

WebServer::~WebServer() { stop(); }

std::string WebServer::url() const {
  std::string host = guard_.listenAddress == "0.0.0.0" || guard_.listenAddress == "::" ? "localhost"
                                                                                      : serverName(guard_.listenAddress);
  return "http://" + host + ":" + std::to_string(guard_.port) + "/?token=" + guard_.token;
}

bool WebServer::start(const std::string& address, int port, std::string* error) {
  guard_.token = makeToken();
  guard_.listenAddress = address;
  server_->new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
  server_->set_payload_max_length(kMaxBody);
  server_->set_read_timeout(5, 0);
  server_->set_write_timeout(5, 0);
  server_->set_keep_alive_timeout(5);
  routes();
  const int bound = port == 0 ? server_->bind_to_any_port(address) : (server_->bind_to_port(address, port) ? port : -1);
  if (bound <= 0) {
    *error = "cannot listen on " + serverName(address) + ":" + std::to_string(port) +
             " (the address is not this machine's, or the port is taken)";
    return false;
  }
  guard_.port = bound;
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  ticker_ = std::thread([this] {
    while (!stopping_.load()) {
      for (auto slept = 0ms; slept < kTick && !stopping_.load(); slept += 50ms) std::this_thread::sleep_for(50ms);
      if (stopping_.load() || viewers_.load() == 0) continue;
      gate_.call(
          [this] {
            screen_.scheduleRedraw();
            return std::string();
          },
          kMainLoopDeadline);
    }
  });
  return true;
}

void WebServer::stop() {
  if (stopping_.exchange(true)) return;
  board_.close();
  gate_.close();
  if (ticker_.joinable()) ticker_.join();
  server_->stop();
  if (thread_.joinable()) thread_.join();
}

void WebServer::routes() {
  httplib::Server& server = *server_;
  server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
    RequestFacts facts;
    facts.method = request.method;
    facts.host = request.get_header_value("Host");
    facts.origin = request.get_header_value("Origin");
    facts.fetchSite = request.get_header_value("Sec-Fetch-Site");
    facts.queryToken = request.get_param_value("token");
    facts.cookies = request.get_header_value("Cookie");
    GuardVerdict verdict = checkRequest(guard_, facts);
    if (!verdict.allowed) {
      response.status = 403;
      response.set_content("Forbidden: " + verdict.why + "\n", "text/plain; charset=utf-8");
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  server.set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
    answer(response, 500, "the server failed on this request");
  });
  server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
    if (response.body.empty()) answer(response, response.status, "no such thing here");
  });

  auto page = [this](const std::string& name) {
    return [this, name](const httplib::Request& request, httplib::Response& response) {
      const PageFile* file = findPageFile(name);
      if (!file) return answer(response, 404, "no such page file");
      response.set_header("Cache-Control", "no-store");
      response.set_header("X-Content-Type-Options", "nosniff");
      response.set_header("Content-Security-Policy",
                          "default-src 'self'; img-src 'self' blob:; media-src 'self' blob:; frame-ancestors 'none'");
      if (request.has_param("token"))
        response.set_header("Set-Cookie", cookieName(guard_.port) + "=" + guard_.token +
                                              "; Path=/; HttpOnly; SameSite=Strict");
      response.set_content(std::string(file->bytes), std::string(file->contentType));
    };
  };
  server.Get("/", page("index.html"));
  server.Get("/screen.js", page("screen.js"));
  server.Get("/screen.css", page("screen.css"));

  server.Get("/screen.png", [this](const httplib::Request&, httplib::Response& response) {
    auto frame = board_.latest();
    if (!frame || !frame->png) return answer(response, 503, "the screen is not drawn yet");
    response.set_header("Cache-Control", "no-store");
    response.set_header("X-Frame", std::to_string(frame->number));
    response.set_content(*frame->png, "image/png");
  });

  server.Get(R"(/sound/(\d{1,12}))", [this](const httplib::Request& request, httplib::Response& response) {
    uint64_t number = 0;
    const std::string text = request.matches[1];
    std::from_chars(text.data(), text.data() + text.size(), number);
    auto sound = sounds_ ? sounds_->find(number) : std::nullopt;
    if (!sound) return answer(response, 404, "no such sound (only the latest are kept)");
    response.set_header("Cache-Control", "no-store");
    response.set_content(*sound->bytes, sound->mimeType);
  });

  server.Get("/events", [this](const httplib::Request&, httplib::Response& response) {
    if (viewers_.fetch_add(1) >= kMaxViewers) {
      viewers_.fetch_sub(1);
      return answer(response, 503, "too many viewers");
    }
    struct Seen {
      uint64_t frame = 0;
      uint64_t event = 0;
    };
    auto seen = std::make_shared<Seen>();
    seen->event = board_.latestEventNumber();
    response.set_header("Cache-Control", "no-store");
    response.set_header("X-Accel-Buffering", "no");
    response.set_chunked_content_provider(
        "text/event-stream",
        [this, seen](size_t, httplib::DataSink& sink) {
          auto update = board_.waitNewer(seen->frame, seen->event, std::chrono::seconds(kIdleSeconds));
          if (update.closed || stopping_.load()) {
            sink.done();
            return true;
          }
          std::string out;
          for (const auto& event : update.events) {
            out += "event: note\ndata: " + event.json + "\n\n";
            seen->event = event.number;
          }
          if (update.frame) {
            out += "event: frame\ndata: {\"frame\":" + std::to_string(update.frame->number) +
                   ",\"meta\":" + update.frame->meta + "}\n\n";
            seen->frame = update.frame->number;
          }
          if (out.empty()) out = ": idle\n\n";
          return sink.write(out.data(), out.size());
        },
        [this](bool) { viewers_.fetch_sub(1); });
  });

  // Input: parsed here, performed on the main run loop.
  auto input = [this](auto perform) {
    return [this, perform](const httplib::Request& request, httplib::Response& response) {
      json body = json::parse(request.body, nullptr, false);
      if (body.is_discarded() || !body.is_object()) return answer(response, 400, "the body is not a JSON object");
      InputAnswer parsed;
      std::function<InputAnswer()> work = perform(body, &parsed);
      if (!work) return answer(response, parsed.status, parsed.message);
      InputAnswer done;
      auto reply = gate_.call(
          [&done, work] {
            done = work();
            return std::string();
          },
          kMainLoopDeadline);
      switch (reply.refusal) {
        case MainThreadGate::Refusal::None: return answer(response, done.status, done.message);
        case MainThreadGate::Refusal::Busy: return answer(response, 503, "too many touches at once; some were dropped");
        case MainThreadGate::Refusal::TimedOut: return answer(response, 503, "the host is busy; try again");
        case MainThreadGate::Refusal::Closed: return answer(response, 503, "the host is stopping");
      }
    };
  };

  server.Post("/touch", input([this](const json& body, InputAnswer* refused) -> std::function<InputAnswer()> {
    TouchInput touch;
    auto x = number(body, "x"), y = number(body, "y");
    auto phase = body.find("phase");
    if (!x || !y || phase == body.end() || !phase->is_string()) {
      *refused = {400, "a touch needs a phase and numbers x and y"};
      return nullptr;
    }
    const std::string name = phase->get<std::string>();
    if (name == "begin") touch.phase = TouchInput::Phase::Begin;
    else if (name == "move") touch.phase = TouchInput::Phase::Move;
    else if (name == "end") touch.phase = TouchInput::Phase::End;
    else if (name == "cancel") touch.phase = TouchInput::Phase::Cancel;
    else {
      *refused = {400, "the touch's phase is not begin, move, end or cancel"};
      return nullptr;
    }
    touch.frame = frameOf(body);
    touch.x = *x;
    touch.y = *y;
    return [this, touch] { return screen_.touch(touch); };
  }));

  server.Post("/key", input([this](const json& body, InputAnswer* refused) -> std::function<InputAnswer()> {
    KeyInput key;
    auto text = body.find("text");
    auto name = body.find("key");
    if (text != body.end() && text->is_string()) {
      key.text = text->get<std::string>();
    } else if (name != body.end() && name->is_string() && name->get<std::string>() == "Backspace") {
      key.kind = KeyInput::Kind::Backspace;
    } else if (name != body.end() && name->is_string() && name->get<std::string>() == "Enter") {
      key.kind = KeyInput::Kind::Return;
    } else {
      *refused = {400, "a key is {\"text\": ...} or {\"key\": \"Backspace\"|\"Enter\"}"};
      return nullptr;
    }
    return [this, key] { return screen_.key(key); };
  }));

  server.Post("/screen", input([this](const json& body, InputAnswer* refused) -> std::function<InputAnswer()> {
    ScreenRequest request;
    auto screen = body.find("screen");
    if (screen == body.end() || !screen->is_string() ||
        (screen->get<std::string>() != "lock" && screen->get<std::string>() != "settings")) {
      *refused = {400, "the screen is \"lock\" or \"settings\""};
      return nullptr;
    }
    request.settings = screen->get<std::string>() == "settings";
    if (auto pane = body.find("pane"); pane != body.end() && pane->is_string()) request.pane = pane->get<std::string>();
    if (auto back = body.find("back"); back != body.end() && back->is_boolean()) request.back = back->get<bool>();
    return [this, request] { return screen_.showScreen(request); };
  }));

  server.Post("/scroll", input([this](const json& body, InputAnswer* refused) -> std::function<InputAnswer()> {
    ScrollInput scroll;
    auto x = number(body, "x"), y = number(body, "y"), dy = number(body, "dy");
    if (!x || !y || !dy) {
      *refused = {400, "a scroll needs numbers x, y and dy"};
      return nullptr;
    }
    scroll.frame = frameOf(body);
    scroll.x = *x;
    scroll.y = *y;
    scroll.dy = *dy;
    return [this, scroll] { return screen_.scroll(scroll); };
  }));
}

}  // namespace kestrel::tool::serve
