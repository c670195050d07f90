// Images of the row views: PNG resources of the plug-in's bundle, or files by path.
//
// The bundle is set once per plug-in library (each library holds its own copy of this
// module) by the controller, or by tests. A missing image answers none and logs
// "KS:TWCommon: Cannot find image %@" with the path it looked for, so callers simply skip
// the picture. Thread-safe; images are immutable and shared.
#pragma once

#include <memory>
#include <string>

#include "platform/foundation/Bundle.h"
#include "platform/ui/Image.h"

using FWImage = std::shared_ptr<kestrel::ui::Image>;

void FWSetImageBundle(std::shared_ptr<kestrel::Bundle> bundle);
std::shared_ptr<kestrel::Bundle> FWImageBundle();

// "<name>.png" of the image bundle, at the screen's scale.
FWImage FWImageNamed(const std::string& name);
// A PNG file by device-independent local path (an absolute file path).
FWImage FWImageAtPath(const std::string& path);
// The local file path of a bundle image, for views that keep an icon as a path; empty
// (and logged) when the bundle has no such image.
std::string FWImagePathNamed(const std::string& name);
