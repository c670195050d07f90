// FWPlugin: the message page that the message row opens, and delayed calls tied to the
// controller's life.
#include <atomic>
#include <mutex>

#include "runtime/FWDetailListPage.h"
#include "runtime/FWMessageView.h"
#include "runtime/FWPlugin.h"
#include "runtime/FWTextUtilities.h"

using kestrel::RunLoop;

namespace {

std::mutex gFactoryMutex;
FWPlugin::DetailPageViewFactory gDetailPageViewFactory;

}  // namespace

Ref<FWDetailListPage> FWPlugin::messagePage() {
  auto application = fwApplication();
  Ref<Bundle> bundle = application ? application->pluginBundle() : nullptr;
  if (!bundle) {
    auto host = ksPlugin();
    bundle = host ? host->bundle() : nullptr;
  }
  FWMessageBox message{messageBoxLine1(), messageBoxLine2(), messageBoxDetail(), isMessageBoxMailable()};
  auto delegate = std::make_shared<FWMessageView>(std::move(message), bundle);
  return FWDetailListPage::pageWithList({std::string("X")}, 0, FWLocalise(bundle, "Info/Caption"), application,
                                        delegate);
}

bool FWPlugin::showMessagePage() {
  auto page = messagePage();
  DetailPageViewFactory factory;
  {
    std::lock_guard lock(gFactoryMutex);
    factory = gDetailPageViewFactory;
  }
  auto view = factory ? factory(page, previewCompatibleRect()) : nullptr;
  auto host = ksPlugin();
  if (!view || !host) {
    KSLog("KS:%@: No page view to show the message page", resourceName());
    return false;
  }
  host->showPreview(previewCompatibleView(view));
  return true;
}

void FWPlugin::setDetailPageViewFactory(DetailPageViewFactory factory) {
  std::lock_guard lock(gFactoryMutex);
  gDetailPageViewFactory = std::move(factory);
}

void FWPlugin::performAfterDelay(double seconds, std::function<void()> body) {
  std::weak_ptr<FWPlugin> weak = weak_from_this();
  if (weak.expired()) return;  // not shared: nothing may call back into it
  auto idBox = std::make_shared<std::atomic<RunLoop::TimerId>>(0);
  std::lock_guard lock(fieldsMutex_);
  RunLoop::TimerId id = RunLoop::main().scheduleTimer(seconds, [weak, idBox, body = std::move(body)] {
    auto self = weak.lock();
    if (!self) return;
    self->forgetWake(idBox->load());
    body();
  });
  idBox->store(id);
  pendingWakes_.insert(id);
}
