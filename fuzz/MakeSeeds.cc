// Writes the seed corpora into <dir>/plist and <dir>/keyed_archive: a few small property
// lists in both formats, and keyed archives of every form the decoder reads (each archive
// prefixed with the byte 1, which selects the raw-bytes mode of keyed_archive_fuzzer).
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
  return ok ? 0 : 1;
}
