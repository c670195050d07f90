// FWToolbarViewCell: the tool-bar row — a background image with a transparent tool bar over
// it, as wide as the row's parent and `toolbarHeight` high. Main thread only.
#pragma once

#include <memory>
#include <vector>

#include "platform/host/KSHost.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/ImageView.h"
#include "runtime/FWTransToolbar.h"

using FWBarItems = std::vector<std::shared_ptr<kestrel::ui::BarButtonItem>>;

class FWToolbarViewCell : public kestrel::ui::View {
 public:
  FWToolbarViewCell(const kestrel::ui::Rect& frame, const std::shared_ptr<const kestrel::KSTheme>& theme,
                    const FWBarItems& toolbarItems);

  const std::shared_ptr<FWTransToolbar>& toolbar() const { return toolbar_; }
  const std::shared_ptr<kestrel::ui::ImageView>& backgroundImage() const { return backgroundImage_; }
  double toolbarHeight() const { return toolbarHeight_; }
  void setToolbarHeight(double height);

  void setItems(const FWBarItems& items);
  // Clears the background colour and shows the image.
  void setBackgroundWithImage(const std::shared_ptr<kestrel::ui::Image>& image);
  // Colours both the tool bar and the cell.
  void setBackgroundColor(const std::optional<kestrel::Color>& color) override;

  void layoutSubviews() override;

 private:
  std::shared_ptr<kestrel::ui::ImageView> backgroundImage_;
  std::shared_ptr<FWTransToolbar> toolbar_;
  double toolbarHeight_;
};
