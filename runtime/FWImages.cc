#include "runtime/FWImages.h"

#include <mutex>

#include "platform/foundation/Log.h"

using kestrel::KSLog;

namespace {
std::mutex gBundleMutex;
std::shared_ptr<kestrel::Bundle> gBundle;

std::string bundleImagePath(const std::shared_ptr<kestrel::Bundle>& bundle, const std::string& name) {
  return (bundle ? bundle->bundlePath() : std::string("<no bundle>")) + "/" + name + ".png";
}
}  // namespace

void FWSetImageBundle(std::shared_ptr<kestrel::Bundle> bundle) {
  std::lock_guard lock(gBundleMutex);
  gBundle = std::move(bundle);
}

std::shared_ptr<kestrel::Bundle> FWImageBundle() {
  std::lock_guard lock(gBundleMutex);
  return gBundle;
}

FWImage FWImageNamed(const std::string& name) {
  auto bundle = FWImageBundle();
  FWImage image = bundle ? kestrel::ui::Image::named(name, bundle) : nullptr;
  if (!image) KSLog("KS:TWCommon: Cannot find image %@", bundleImagePath(bundle, name));
  return image;
}

FWImage FWImageAtPath(const std::string& path) {
  FWImage image = path.empty() ? nullptr : kestrel::ui::Image::imageWithContentsOfFile(path);
  if (!image) KSLog("KS:TWCommon: Cannot find image %@", path);
  return image;
}

std::string FWImagePathNamed(const std::string& name) {
  auto bundle = FWImageBundle();
  if (bundle) {
    if (auto path = bundle->pathForResource(name, "png")) return *path;
    // A bundle may carry only the 2x variant; the image loader finds it beside this path.
    if (bundle->pathForResource(name + "@2x", "png")) return bundle->bundlePath() + "/" + name + ".png";
  }
  KSLog("KS:TWCommon: Cannot find image %@", bundleImagePath(bundle, name));
  return {};
}
