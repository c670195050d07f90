// The calendar store's .ics reader: any bytes must parse to an item file or be refused with
// a reason; every VTODO of a file that parses must read as a reminder, and a file that may
// be written back must serialise to text that parses again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "platform/calendarstore/internal/ItemFile.h"
#include "platform/calendarstore/internal/VTodoCodec.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kestrel::fuzz::prepareDeviceRoot();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using kestrel::internal::ItemFile;
  std::string problem;
  auto file = ItemFile::parse(std::string_view(reinterpret_cast<const char*>(data), size), &problem);
  if (!file) {
    if (problem.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  std::vector<std::string> problems;
  for (const auto& item : file->items(ICAL_VTODO_COMPONENT))
    (void)kestrel::internal::readReminder(item.component, item.vcalendar, &problems);
  std::string reason;
  if (file->canRewrite(&reason)) {
    std::string text = file->serialize();
    std::string again;
    if (!ItemFile::parse(text, &again)) std::abort();
  }
  return 0;
}
