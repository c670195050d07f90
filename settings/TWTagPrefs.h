// TWTagPrefs: the settings pane that chooses the tags whose items a plug-in shows. First a
// switch for items without tags ("isShowNoTags"), then one switch per Taskwell tag, read
// from the database the status pasteboard names. Tags are a positive filter: a tag's switch
// is on while its key is in "tagsFilters", and each change writes the whole list to the
// plug-in's preference domain at once. Without a usable status pasteboard only the
// no-tags switch is listed, with a note that Taskwell was not found. Main thread only.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "settings/TWSwitchListPrefs.h"

class TWTagPrefs : public TWSwitchListPrefs {
 public:
  static constexpr const char* kNoTagsKey = "-1";

  void setState(bool state, kestrel::PSSpecifier& specifier) override;
  bool stateForSpecifier(kestrel::PSSpecifier& specifier) override;

 protected:
  std::vector<Ref<kestrel::PSSpecifier>> loadSpecifiers() override;

 private:
  std::optional<PlistValue::Array> hidden;  // "tagsFilters" as last read or written
};
