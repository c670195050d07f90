#include "tests/plugin/TWTestFolderPlugin.h"

#include "tests/plugin/TWTestFolderList.h"

namespace {
// Any address inside this library finds the bundle beside it.
const char kBundleAnchor = 0;
}  // namespace

void TWTestFolderPlugin::initWithApplication(const Ref<FWApplication>& application) {
  initWithApplicationName(application, "TWTest");
  setNativeOnly(true);
  application->setPluginBundle(Bundle::bundleForAddress(&kBundleAnchor));
  setFwDatasource(std::make_shared<TWTestFolderList>());
}
