// Renderer: draws a view tree — to a bitmap, to a PNG file, or into a context.
//
// Each view draws, in its own coordinates: its background colour, its drawRect, then its
// subviews in order, each placed by its frame and its bounds' origin. Hidden views and
// fully transparent ones are skipped with their subviews; a view with alpha below 1 is
// composited as one layer; clipsToBounds clips the view's drawing and subviews to its
// bounds. A drawRect that leaves states saved or layers open is closed behind it.
// Rendering lays the tree out first (layoutIfNeeded) and clears the views' display marks.
//
// Given a clock time, views being animated then (ViewAnimation.h) are drawn as the screen
// showed them at that time: a frame of the animation. Without one, every view is drawn in
// its end state.
//
// The image is the root view's bounds at `scale` (1 or 2, up to 4 accepted), transparent
// unless a background colour is given. Main thread only, like the views.
#pragma once

#include <optional>
#include <string>

#include "platform/foundation/Color.h"
#include "platform/foundation/Date.h"
#include "platform/ui/Bitmap.h"

namespace kestrel::ui {

class GraphicsContext;
class View;

// Draws `view` and its subviews with the view's frame origin at the context's origin.
void drawViewHierarchy(View& view, GraphicsContext& context, std::optional<Date> time = std::nullopt);

// An empty bitmap when the view has no area or the scale is unusable (logged).
Bitmap renderViewToImage(View& view, double scale = 1, const std::optional<Color>& background = std::nullopt,
                         std::optional<Date> time = std::nullopt);
// False (and logged) when nothing could be rendered or the file could not be written.
bool renderViewToPNG(View& view, const std::string& path, double scale = 1,
                     const std::optional<Color>& background = std::nullopt);

}  // namespace kestrel::ui
