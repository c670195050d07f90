// TWEventDebug: the events plug-in's debug page. Beside the shared pages it shows when the
// plug-in will act next ("Next Action Due": next change, next alarm, mute end, next wake-up)
// and the pending alarm instances ("Alarms"), each with the title of its event when the
// event is still in the list, else the end of its key.
//
// Both lists are taken when the page opens. Main thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "model/TWAlarm.h"
#include "model/TWEvent.h"
#include "settings/TWDebugView.h"

// An alarm key longer than this shows only its last this many characters.
inline constexpr size_t kTWEventDebugKeyTail = 20;

class TWEventDebug : public TWDebugView {
 public:
  TWEventDebug(std::vector<Ref<TWAlarm>> alarms, std::vector<Ref<TWEvent>> events)
      : alarms_(std::move(alarms)), events_(std::move(events)) {}
  static Ref<TWEventDebug> initWithAlarms(std::vector<Ref<TWAlarm>> alarms, std::vector<Ref<TWEvent>> events) {
    return std::make_shared<TWEventDebug>(std::move(alarms), std::move(events));
  }

  FWDetailListSections detailSectionsForListPage(const FWDetailItem& item, const PlistValue& key,
                                                 const Ref<FWApplication>& application) override;

  // "Native", "Extra Alarm at", "Extra Remind at", "Alarm Active until", else "??".
  static std::string typeText(int32_t type);
  // The event title for the alarm's key, else the key's last characters.
  std::string titleForAlarm(const TWAlarm& alarm) const;

  const std::vector<Ref<TWAlarm>>& alarms() const { return alarms_; }
  const std::vector<Ref<TWEvent>>& events() const { return events_; }

 private:
  const std::vector<Ref<TWAlarm>> alarms_;
  const std::vector<Ref<TWEvent>> events_;
};
