#include "platform/audio/SoundRecord.h"

#include "platform/foundation/LogStore.h"

namespace kestrel::audio {
namespace {

constexpr const char* kPlayPrefix = "KS:SystemSound: play\t";
constexpr const char* kVibratePrefix = "KS:SystemSound: vibrate\t";

std::string field(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return out;
}

}  // namespace

std::string SoundRecord::description() const {
  std::string out = kind == Kind::Vibrate ? "vibrate" : "play";
  if (!file.empty()) out += " " + file;
  if (!why.empty()) out += " (" + why + ")";
  return out;
}

bool appendSoundRecord(SoundRecord::Kind kind, const std::string& file, const std::string& why) {
  return LogStore::append((kind == SoundRecord::Kind::Vibrate ? kVibratePrefix : kPlayPrefix) + field(file) + "\t" +
                          field(why));
}

std::vector<SoundRecord> soundRecords(std::optional<Date> since) {
  std::vector<SoundRecord> out;
  for (auto& entry : LogStore::query(std::nullopt, since)) {
    SoundRecord record;
    record.time = entry.time;
    record.pid = entry.pid;
    std::string rest;
    if (entry.message.rfind(kPlayPrefix, 0) == 0) {
      record.kind = SoundRecord::Kind::Play;
      rest = entry.message.substr(std::string(kPlayPrefix).size());
    } else if (entry.message.rfind(kVibratePrefix, 0) == 0) {
      record.kind = SoundRecord::Kind::Vibrate;
      rest = entry.message.substr(std::string(kVibratePrefix).size());
    } else {
      continue;
    }
    auto tab = rest.find('\t');
    if (tab == std::string::npos) continue;
    record.file = rest.substr(0, tab);
    record.why = rest.substr(tab + 1);
    out.push_back(std::move(record));
  }
  return out;
}

}  // namespace kestrel::audio
