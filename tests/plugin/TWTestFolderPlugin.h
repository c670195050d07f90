// TWTestFolderPlugin: a small plug-in that lists the files of a folder, to drive the host
// and the runtime end to end without the companion application.
//
// It shows native data only (no companion database), so verification always succeeds and
// the refresh decision rests on the folder's changes and the local day.
#pragma once

#include "runtime/FWPlugin.h"

class TWTestFolderPlugin : public FWPlugin {
 public:
  void initWithApplication(const Ref<FWApplication>& application) override;
};
