#include "tools/kestrel/RunReporter.h"

#include "platform/audio/SoundService.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/host/RepeatNotifications.h"
#include "tools/kestrel/CommandLine.h"
#include "tools/kestrel/RowCell.h"
#include "tools/kestrel/SessionPicture.h"

namespace kestrel::tool {
namespace {

constexpr double kPictureWidth = 320;
constexpr double kPictureScale = 2;

}  // namespace

RunReporter::RunReporter(PluginSession& session, std::FILE* out, std::optional<std::string> picturePath)
    : session_(session), out_(out), picturePath_(std::move(picturePath)) {}

RunReporter::~RunReporter() {
  stop();
  alive_->store(false);
}

void RunReporter::line(const std::string& text) {
  std::string shown = text;
  while (!shown.empty() && shown.back() == ' ') shown.pop_back();
  std::lock_guard lock(printMutex_);
  std::fprintf(out_, "%s  %s\n", Clock::now().description().c_str(), shown.c_str());
  std::fflush(out_);
}

void RunReporter::note(const std::string& what) { line(what); }

RunReporter::Snapshot RunReporter::snapshot(HostEngine& engine) {
  Snapshot rows;
  for (const auto& shown : engine.rowViews(HostEngine::kRowWidth)) {
    if (!shown.row) continue;
    auto cell = makeRowCell(shown, HostEngine::kRowWidth);
    KSDrawnTexts drawn = drawnTextsOf(*cell);
    std::string texts = drawn.summary ? printable(*drawn.summary) : std::string();
    std::string more = drawn.highlight ? printable(*drawn.highlight) : std::string();
    if (drawn.detail && !drawn.detail->empty()) more += (more.empty() ? "" : "  ") + printable(*drawn.detail);
    if (!more.empty()) texts += (texts.empty() ? "" : " | ") + more;
    rows[shown.row->uniqueID] = {shown.row->sortOrder(), texts};
  }
  return rows;
}

void RunReporter::start() {
  if (started_) return;
  started_ = true;
  shown_.assign(session_.sections().size(), {});
  popupsShown_.assign(session_.sections().size(), 0);
  reportChanges();

  std::weak_ptr<std::atomic<bool>> alive = alive_;
  auto queued = reportQueued_;
  for (auto& section : session_.sections()) {
    section.engine->plugin().setActivityObserver([this, alive, queued] {
      if (queued->exchange(true)) return;
      RunLoop::main().deferredInvoke([this, alive, queued] {
        queued->store(false);
        if (auto a = alive.lock(); a && a->load()) reportChanges();
      });
    });
  }
  soundObserver_ = audio::SoundService::shared().addObserver([this](const audio::SoundRecord& record) {
    line("sound  " + printable(record.description()));
  });
  RunLoop::main().setTimerObserver([this](const RunLoop::FiredTimer& timer) {
    if (timer.label.empty())
      line("wake-up  due " + timer.fireDate.description());
    else if (timer.label.rfind(RepeatNotifications::kTimerLabelPrefix, 0) == 0)
      line("repeat  " + printable(timer.label.substr(std::string(RepeatNotifications::kTimerLabelPrefix).size())));
  });
}

void RunReporter::stop() {
  if (!started_) return;
  started_ = false;
  RunLoop::main().setTimerObserver(nullptr);
  audio::SoundService::shared().removeObserver(soundObserver_);
  for (auto& section : session_.sections()) section.engine->plugin().setActivityObserver(nullptr);
}

void RunReporter::reportChanges() {
  bool rowsChanged = false;
  auto& sections = session_.sections();
  for (size_t s = 0; s < sections.size() && s < shown_.size(); ++s) {
    HostEngine& engine = *sections[s].engine;
    const std::string name = printable(sections[s].name);
    Snapshot now = snapshot(engine);
    Snapshot& before = shown_[s];
    for (const auto& [id, row] : before)
      if (!now.count(id)) {
        line(name + "  removed  " + printable(id) + "  " + row.texts);
        rowsChanged = true;
      }
    for (const auto& [id, row] : now) {
      auto old = before.find(id);
      if (old == before.end()) {
        line(name + "  added  " + printable(id) + "  " + row.texts);
        rowsChanged = true;
      } else if (old->second.texts != row.texts || old->second.sortOrder != row.sortOrder) {
        line(name + "  changed  " + printable(id) + "  " + row.texts);
        rowsChanged = true;
      }
    }
    before = std::move(now);
    engine.plugin().rows().clearCalls();  // a long run must not keep every publish

    auto popups = engine.plugin().records().popups;
    for (size_t p = popupsShown_[s]; p < popups.size(); ++p) line(name + "  popup  " + printable(popups[p]));
    popupsShown_[s] = popups.size();
  }
  if (rowsChanged && picturePath_) drawPicture();
  if (afterReport_) afterReport_();
}

void RunReporter::drawPicture() {
  DrawnPicture drawn = drawSession(session_, *picturePath_, kPictureWidth, kPictureScale);
  if (!drawn.ok) line("picture not drawn: " + drawn.error);
}

}  // namespace kestrel::tool
