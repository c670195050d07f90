#include "platform/audio/SoundFile.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <fstream>

namespace kestrel::audio {
namespace {

bool startsWith(const char* data, size_t size, const char* magic, size_t at = 0) {
  size_t n = std::strlen(magic);
  return size >= at + n && std::memcmp(data + at, magic, n) == 0;
}

uint64_t bigEndian(const Bytes& b, size_t at, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v = (v << 8) | b[at + i];
  return v;
}

void putLittleEndian(Bytes& out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The largest CAF this converts; system sounds are a few seconds long.
constexpr uint64_t kMaxPCMBytes = 64ull << 20;

}  // namespace

std::string SoundFileCheck::description() const {
  switch (kind) {
    case SoundFileKind::CAF: return "CAF";
    case SoundFileKind::WAV: return "WAV";
    case SoundFileKind::AIFF: return "AIFF";
    case SoundFileKind::Ogg: return "Ogg";
    case SoundFileKind::FLAC: return "FLAC";
    case SoundFileKind::MP3: return "MP3";
    case SoundFileKind::Missing: return "is missing";
    case SoundFileKind::Unreadable: return "cannot be read";
    case SoundFileKind::Empty: return "is empty";
    case SoundFileKind::NotAudio: return "is not a sound file";
  }
  return "is not a sound file";
}

SoundFileCheck inspectSoundFile(const std::string& localPath) {
  struct stat st {};
  if (::stat(localPath.c_str(), &st) != 0) return {SoundFileKind::Missing};
  if (!S_ISREG(st.st_mode)) return {SoundFileKind::NotAudio};
  if (st.st_size == 0) return {SoundFileKind::Empty};
  std::ifstream in(localPath, std::ios::binary);
  if (!in) return {SoundFileKind::Unreadable};
  char head[12] = {};
  in.read(head, sizeof head);
  size_t n = static_cast<size_t>(in.gcount());
  if (startsWith(head, n, "caff")) return {SoundFileKind::CAF};
  if (startsWith(head, n, "RIFF") && startsWith(head, n, "WAVE", 8)) return {SoundFileKind::WAV};
  if (startsWith(head, n, "FORM") && (startsWith(head, n, "AIFF", 8) || startsWith(head, n, "AIFC", 8)))
    return {SoundFileKind::AIFF};
  if (startsWith(head, n, "OggS")) return {SoundFileKind::Ogg};
  if (startsWith(head, n, "fLaC")) return {SoundFileKind::FLAC};
  if (startsWith(head, n, "ID3") ||
      (n >= 2 && static_cast<uint8_t>(head[0]) == 0xFF && (static_cast<uint8_t>(head[1]) & 0xE0) == 0xE0))
    return {SoundFileKind::MP3};
  return {SoundFileKind::NotAudio};
}

std::optional<Bytes> pcmWaveFromCAF(const Bytes& caf) {
  if (caf.size() < 8 || std::memcmp(caf.data(), "caff", 4) != 0) return std::nullopt;
  double rate = 0;
  uint32_t flags = 0, bytesPerPacket = 0, framesPerPacket = 0, channels = 0, bits = 0;
  bool haveDescription = false;
  const uint8_t* pcm = nullptr;
  uint64_t pcmSize = 0;
  for (size_t at = 8; at + 12 <= caf.size();) {
    const uint8_t* type = caf.data() + at;
    int64_t size = static_cast<int64_t>(bigEndian(caf, at + 4, 8));
    size_t body = at + 12;
    if (std::memcmp(type, "data", 4) == 0) {
      // -1: the data runs to the end of the file. The first 4 bytes are the edit count.
      uint64_t left = caf.size() - body;
      uint64_t length = size < 0 ? left : static_cast<uint64_t>(size);
      if (length < 4 || length > left) return std::nullopt;
      pcm = caf.data() + body + 4;
      pcmSize = length - 4;
      break;
    }
    if (size < 0 || static_cast<uint64_t>(size) > caf.size() - body) return std::nullopt;
    if (std::memcmp(type, "desc", 4) == 0 && size >= 32) {
      uint64_t rateBits = bigEndian(caf, body, 8);
      std::memcpy(&rate, &rateBits, sizeof rate);
      if (std::memcmp(caf.data() + body + 8, "lpcm", 4) != 0) return std::nullopt;
      flags = static_cast<uint32_t>(bigEndian(caf, body + 12, 4));
      bytesPerPacket = static_cast<uint32_t>(bigEndian(caf, body + 16, 4));
      framesPerPacket = static_cast<uint32_t>(bigEndian(caf, body + 20, 4));
      channels = static_cast<uint32_t>(bigEndian(caf, body + 24, 4));
      bits = static_cast<uint32_t>(bigEndian(caf, body + 28, 4));
      haveDescription = true;
    }
    at = body + static_cast<size_t>(size);
  }
  const bool isFloat = flags & 1, littleEndian = flags & 2;
  if (!haveDescription || !pcm || isFloat || framesPerPacket != 1 || channels < 1 || channels > 8) return std::nullopt;
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return std::nullopt;
  const uint32_t sampleBytes = bits / 8;
  if (bytesPerPacket != sampleBytes * channels || !(rate >= 1000 && rate <= 384000) || pcmSize > kMaxPCMBytes)
    return std::nullopt;
  const uint64_t samples = pcmSize / sampleBytes;
  Bytes out;
  out.reserve(44 + samples * 2);
  const uint64_t dataBytes = samples * 2;
  const uint32_t sampleRate = static_cast<uint32_t>(rate);
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  putLittleEndian(out, 36 + dataBytes, 4);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  putLittleEndian(out, 16, 4);
  putLittleEndian(out, 1, 2);  // integer PCM
  putLittleEndian(out, channels, 2);
  putLittleEndian(out, sampleRate, 4);
  putLittleEndian(out, static_cast<uint64_t>(sampleRate) * channels * 2, 4);
  putLittleEndian(out, channels * 2, 2);
  putLittleEndian(out, 16, 2);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  putLittleEndian(out, dataBytes, 4);
  for (uint64_t i = 0; i < samples; ++i) {
    const uint8_t* s = pcm + i * sampleBytes;
    // The sample's two most significant bytes; 8-bit CAF samples are signed.
    int16_t value;
    if (sampleBytes == 1) {
      value = static_cast<int16_t>(static_cast<int8_t>(s[0]) * 256);
    } else {
      uint8_t hi = littleEndian ? s[sampleBytes - 1] : s[0];
      uint8_t lo = littleEndian ? s[sampleBytes - 2] : s[1];
      value = static_cast<int16_t>(static_cast<uint16_t>(hi << 8 | lo));
    }
    putLittleEndian(out, static_cast<uint16_t>(value), 2);
  }
  return out;
}

}  // namespace kestrel::audio
