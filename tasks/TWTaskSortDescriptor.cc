#include "tasks/TWTaskSortDescriptor.h"

#include "model/TWOptions.h"
#include "model/TWRecordComparators.h"
#include "tasks/TWTaskSortField.h"

namespace {

int sign(int64_t v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

// Empty values first, or last with the flag.
int compareEmpty(bool aEmpty, bool bEmpty, int32_t emptyLast) {
  if (aEmpty == bEmpty) return 0;
  int emptyFirst = aEmpty ? -1 : 1;
  return emptyLast == 1 ? -emptyFirst : emptyFirst;
}

int compareImportance(const TWTask& a, const TWTask& b, const TWTaskSortDescriptor& d) {
  int32_t va = a.importance() == 0 ? d.defaultImportance : a.importance();
  int32_t vb = b.importance() == 0 ? d.defaultImportance : b.importance();
  if (int r = compareEmpty(va == 0, vb == 0, d.emptyLast)) return r;
  return sign(static_cast<int64_t>(va) - vb);
}

int compareDue(const TWTask& a, const TWTask& b, const TWTaskSortDescriptor& d) {
  bool aEmpty = a.dueDate().isNull(), bEmpty = b.dueDate().isNull();
  if (aEmpty || bEmpty) return compareEmpty(aEmpty, bEmpty, d.emptyLast);
  if (a.dueDate().isEarlierThanDate(b.dueDate())) return -1;
  if (a.dueDate().isLaterThanDate(b.dueDate())) return 1;
  return 0;
}

int compareField(const TWTask& a, const TWTask& b, const TWTaskSortDescriptor& d) {
  switch (d.field) {
    case kTWTaskSortFieldImportance: return compareImportance(a, b, d);
    case kTWTaskSortFieldDue: return compareDue(a, b, d);
    case kTWTaskSortFieldTitle: return TWCompareCaseInsensitive(a.title(), b.title());
    case kTWTaskSortFieldSource: return sign(static_cast<int>(a.native()) - static_cast<int>(b.native()));
    default: return 0;
  }
}

}  // namespace

std::vector<TWTaskSortDescriptor> TWTaskSortDescriptorsForPrefs(const FWPreferences& prefs) {
  int32_t missing = prefs.intValue(kTWOptionsMissingImportance, kTWOptionsMissingImportanceDefault);
  return {
      {prefs.intValue(kTWOptionsSortField1, kTWOptionsSortField1Default),
       prefs.boolValue(kTWOptionsSortField1Asc, kTWOptionsSortField1AscDefault),
       prefs.intValue(kTWOptionsSortField1Order, kTWOptionsSortField1OrderDefault), missing},
      {prefs.intValue(kTWOptionsSortField2, kTWOptionsSortField2Default),
       prefs.boolValue(kTWOptionsSortField2Asc, kTWOptionsSortField2AscDefault),
       prefs.intValue(kTWOptionsSortField2Order, kTWOptionsSortField2OrderDefault), missing},
      {kTWTaskSortFieldTitle, true, 0, missing},
  };
}

int compareNativeTasks(const Ref<TWTask>& a, const Ref<TWTask>& b, const std::vector<TWTaskSortDescriptor>& context) {
  if (!a || !b) return a ? 1 : (b ? -1 : 0);
  for (const TWTaskSortDescriptor& d : context) {
    int r = compareField(*a, *b, d);
    if (r != 0) return d.ascending ? r : -r;
  }
  return 0;
}
