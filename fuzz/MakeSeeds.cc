// Writes the seed corpora into <dir>/plist, <dir>/keyed_archive and <dir>/ics: a few small
// property lists in both formats, keyed archives of every form the decoder reads (each
// archive prefixed with the byte 1, which selects the raw-bytes mode of
// keyed_archive_fuzzer), and a few .ics items.
#include <cstdio>
#include <string>

#include "platform/foundation/Files.h"
#include "platform/foundation/KeyedArchive.h"

using namespace kestrel;

namespace {

bool write(const std::string& path, const Bytes& bytes) {
  if (files::writeFileAtomically(path, bytes)) return true;
  std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", path.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
    return 2;
  }
  std::string dir = argv[1];
  PlistValue sample = PlistValue::dict();
  sample.set("title", "Caf\xc3\xa9 \"quoted\" <tag>");
  sample.set("days", PlistValue(PlistValue::Array{2, 3, 4, 5, 6}));
  sample.set("ratio", -0.5);
  sample.set("flag", true);
  sample.set("blob", Bytes{0, 255, 16});
  sample.set("when", Date(818438400));
  sample.set("nested", PlistValue(PlistValue::Array{PlistValue::dict(), PlistValue::array(), "x"}));

  bool ok = true;
  ok &= write(dir + "/plist/sample.bplist", sample.toBytes(PlistValue::Format::Binary));
  ok &= write(dir + "/plist/sample.xml", sample.toBytes(PlistValue::Format::XML));
  ok &= write(dir + "/plist/number.bplist", PlistValue(int64_t{-7}).toBytes(PlistValue::Format::Binary));
  ok &= write(dir + "/plist/uid.bplist", PlistValue(PlistUid{3}).toBytes(PlistValue::Format::Binary));

  auto archive = [&](const std::string& name, Bytes bytes) {
    bytes.insert(bytes.begin(), 1);
    ok &= write(dir + "/keyed_archive/" + name, bytes);
  };
  archive("dict", KeyedArchive::encode(sample));
  archive("days", KeyedArchive::encode(PlistValue(PlistValue::Array{1, 7})));
  Color c = Color::rgba(0.1, 0.5, 0.9, 0.75);
  archive("color-uikit", KeyedArchive::encode(c, KeyedArchive::ColorForm::UIKit));
  archive("color-double", KeyedArchive::encode(c, KeyedArchive::ColorForm::UIKitDouble));
  archive("color-nsrgb", KeyedArchive::encode(c, KeyedArchive::ColorForm::NSRGB));
  archive("color-white", KeyedArchive::encode(c, KeyedArchive::ColorForm::White));
  archive("timezone", KeyedArchive::encode(*TimeZone::named("Europe/London")));

  // .ics items as the calendar store keeps them: a plain reminder, one with a time zone,
  // a rule and an alarm, and an event series with an override.
  auto ics = [&](const std::string& name, const std::string& components) {
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//seed//EN\r\n" + components + "END:VCALENDAR\r\n";
    ok &= write(dir + "/ics/" + name, Bytes(text.begin(), text.end()));
  };
  ics("todo.ics", "BEGIN:VTODO\r\nUID:A\r\nSUMMARY:Call\r\nDUE;VALUE=DATE:20261208\r\nPRIORITY:5\r\nEND:VTODO\r\n");
  ics("todo-rich.ics",
      "BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\nBEGIN:STANDARD\r\nDTSTART:19701025T030000\r\n"
      "TZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nEND:STANDARD\r\n"
      "END:VTIMEZONE\r\nBEGIN:VTODO\r\nUID:B\r\nSUMMARY:Caf\xc3\xa9\\, weekly\r\n"
      "DTSTART;TZID=Europe/Berlin:20261208T090000\r\nDUE;TZID=Europe/Berlin:20261208T100000\r\n"
      "RRULE:FREQ=WEEKLY;COUNT=4\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15M\r\n"
      "DESCRIPTION:x\r\nEND:VALARM\r\nEND:VTODO\r\n");
  ics("event-series.ics",
      "BEGIN:VEVENT\r\nUID:E\r\nSUMMARY:Stand-up\r\nDTSTART:20261207T090000Z\r\nDTEND:20261207T091500Z\r\n"
      "RRULE:FREQ=DAILY;COUNT=5\r\nEXDATE:20261209T090000Z\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nUID:E\r\n"
      "RECURRENCE-ID:20261208T090000Z\r\nSUMMARY:Moved\r\nDTSTART:20261208T100000Z\r\n"
      "DTEND:20261208T101500Z\r\nEND:VEVENT\r\n");
  return ok ? 0 : 1;
}
