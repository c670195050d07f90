// TWTaskCreate: the new-task form — a title, an importance and, where both are possible, a
// choice between a device reminder and a Taskwell task.
//
// Done creates the task once: a device reminder through the calendar store, or a Taskwell
// task by handing "tallybook://createTask?..." to the host. The title is trimmed of spaces
// and line breaks at both ends; a title that is empty after that creates nothing and leaves
// the form open. A failed reminder leaves the form open too, so Done can be pressed again.
// Main thread only.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui/SegmentedControl.h"
#include "tasks/FWInputView.h"

class TWTaskCreate : public FWInputView {
 public:
  // Importance of each importance segment, in order ("Importance/None" ... "Importance/Low").
  static constexpr std::array<int32_t, 5> kImportanceValues{0, 1, 5, 10, 15};
  static constexpr int kDestinationNative = 0;
  static constexpr int kDestinationTaskwell = 1;

  TWTaskCreate(const kestrel::ui::Rect& frame, Ref<FWApplication> application, Ref<FWPreferences> preferences);
  static std::shared_ptr<TWTaskCreate> initWithFrame(const kestrel::ui::Rect& frame, Ref<FWApplication> application,
                                                     Ref<FWPreferences> preferences) {
    auto form = std::make_shared<TWTaskCreate>(frame, std::move(application), std::move(preferences));
    form->installSubviews();
    return form;
  }

  const std::shared_ptr<kestrel::ui::SegmentedControl>& importance() const { return importance_; }
  const std::shared_ptr<kestrel::ui::SegmentedControl>& destination() const { return destination_; }
  // Whether the destination control is part of the form.
  bool showsDestination() const { return showsDestination_; }

  void doneClicked() override;

  // `title` without spaces and line breaks at both ends.
  static std::string trimmedTitle(const std::string& title);

 protected:
  void installSubviews() override;
  void layoutView() override;

 private:
  bool supportsNative_ = false;
  bool showsDestination_ = false;
  std::shared_ptr<kestrel::ui::SegmentedControl> importance_;
  std::shared_ptr<kestrel::ui::SegmentedControl> destination_;
};
