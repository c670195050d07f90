// Names of importance and action states, icon files and the title-with-icons text.
#include "model/TWIntegration.h"
#include "model/TWOptions.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"

namespace {

constexpr const char* kNoBreakSpace = "\u00a0";

struct ActionEntry {
  const char* name;
  const char* icon;
};

// Index = action state 1 ... 10.
const ActionEntry kActions[] = {
    {"Action/Next Action", "NextAction"}, {"Action/Active", "Active"},       {"Action/Planning", "Planning"},
    {"Action/Delegated", "Delegated"},    {"Action/Waiting", "Waiting"},     {"Action/Hold", "Hold"},
    {"Action/Postponed", "Postponed"},    {"Action/Someday", "Someday"},     {"Action/Cancelled", "Cancelled"},
    {"Action/Reference", "Reference"},
};

const ActionEntry* actionEntry(int32_t action) {
  if (action < 1 || action > static_cast<int32_t>(std::size(kActions))) return nullptr;
  return &kActions[action - 1];
}

// The local path of a file in the companion's application folder; none without one.
std::optional<std::string> applicationFile(FWApplication* application, std::string_view name) {
  if (!application) return std::nullopt;
  std::string folder = application->applicationPath();
  if (folder.empty()) return std::nullopt;
  return kestrel::Device::path(folder + "/" + std::string(name));
}

// The companion's file when it is installed, else the plug-in bundle's resource.
std::optional<std::string> companionOrBundleFile(FWApplication* application, std::string_view file,
                                                 const std::string& resource) {
  if (auto path = applicationFile(application, file)) return path;
  Ref<Bundle> bundle = application ? application->pluginBundle() : nullptr;
  return bundle ? bundle->pathForResource(resource, "png") : std::nullopt;
}

}  // namespace

std::string TWIntegration::nameForImportance(int32_t importance) {
  switch (importance) {
    case 1: return "Importance/Top";
    case 5: return "Importance/High";
    case 10: return "Importance/Normal";
    case 15: return "Importance/Low";
    default: return "Importance/None";
  }
}

std::string TWIntegration::nameForAction(int32_t action) {
  const ActionEntry* entry = actionEntry(action);
  return entry ? entry->name : "Action/None";
}

std::optional<std::string> TWIntegration::iconFileForAction(int32_t action) {
  const ActionEntry* entry = actionEntry(action);
  if (!entry) return std::nullopt;
  return std::string(entry->icon);
}

std::optional<std::string> TWIntegration::iconPathForAction(int32_t action, FWApplication* application) {
  auto icon = iconFileForAction(action);
  if (!icon) return std::nullopt;
  return applicationFile(application, *icon + ".png");
}

std::optional<std::string> TWIntegration::iconPathForChild(FWApplication* application) {
  return applicationFile(application, "tree_icon.png");
}

std::optional<std::string> TWIntegration::iconPathForParent(FWApplication* application) {
  return applicationFile(application, "tree_parent_icon.png");
}

std::optional<std::string> TWIntegration::iconPathForLargeFlag(FWApplication* application) {
  return applicationFile(application, "star_yellow.png");
}

std::optional<std::string> TWIntegration::iconPathForSmallFlag(FWApplication* application) {
  return applicationFile(application, "star_yellow_small.png");
}

std::optional<std::string> TWIntegration::iconPathForReminder(FWApplication* application) {
  return companionOrBundleFile(application, "alarm_icon.png", "reminder");
}

std::optional<std::string> TWIntegration::iconPathForAttendees(FWApplication* application) {
  return companionOrBundleFile(application, "meeting_icon.png", "attendees");
}

std::optional<std::string> TWIntegration::iconPathForRepeat(FWApplication* application) {
  return companionOrBundleFile(application, "recurrence_icon.png", "repeat");
}

std::string TWIntegration::stringForTitle(std::string_view title, std::string_view icon,
                                          std::string_view projectIcon, bool emojiAfter) {
  std::string icons = std::string(projectIcon) + std::string(icon);
  if (icons.empty()) return std::string(title);
  if (emojiAfter) return std::string(title) + kNoBreakSpace + icons;
  return icons + kNoBreakSpace + std::string(title);
}

std::string TWIntegration::stringForTitle(std::string_view title, std::string_view icon,
                                          std::string_view projectIcon) {
  return stringForTitle(title, icon, projectIcon, kTWOptionsEmojiAfterDefault);
}
