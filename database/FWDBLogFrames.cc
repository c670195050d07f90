#include "database/FWDBLogFrames.h"

#include <algorithm>

#include "database/FWDBBigEndian.h"

namespace {

constexpr uint32_t kMagicLittleEndian = 0x377f0682;
constexpr uint32_t kMagicBigEndian = 0x377f0683;
constexpr uint32_t kFormat = 3007000;
constexpr uint64_t kHeaderSize = 32;
constexpr uint64_t kFrameHeaderSize = 24;
constexpr size_t kReadSize = 4u << 20;

constexpr auto bigEndian32 = FWDBGet32;

uint32_t littleEndian32(const unsigned char* p) {
  return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[0]);
}

// The log's running checksum over `size` bytes (a multiple of 8), in the byte order the
// magic number names.
void addChecksum(bool bigEndianWords, const unsigned char* data, size_t size, uint32_t& s1, uint32_t& s2) {
  auto word = bigEndianWords ? bigEndian32 : littleEndian32;
  for (size_t i = 0; i + 8 <= size; i += 8) {
    s1 += word(data + i) + s2;
    s2 += word(data + i + 4) + s1;
  }
}

bool validPageSize(uint32_t size) { return size >= 512 && size <= 65536 && (size & (size - 1)) == 0; }

}  // namespace

std::optional<FWDBLogScan> FWDBScanLog(const FWDBLogReader& read, uint64_t size,
                                       const std::optional<FWDBLogPosition>& since, const FWDBLogScan* kept) {
  unsigned char header[kHeaderSize];
  if (size < kHeaderSize || !read(header, kHeaderSize, 0)) return std::nullopt;
  const uint32_t magic = bigEndian32(header);
  if ((magic != kMagicLittleEndian && magic != kMagicBigEndian) || bigEndian32(header + 4) != kFormat) return std::nullopt;
  const bool bigEndianWords = magic == kMagicBigEndian;
  FWDBLogScan scan;
  FWDBLogPosition& at = scan.end;
  at.pageSize = bigEndian32(header + 8);
  at.salt1 = bigEndian32(header + 16);
  at.salt2 = bigEndian32(header + 20);
  if (!validPageSize(at.pageSize)) return std::nullopt;
  uint32_t s1 = 0;
  uint32_t s2 = 0;
  addChecksum(bigEndianWords, header, 24, s1, s2);
  if (s1 != bigEndian32(header + 24) || s2 != bigEndian32(header + 28)) return std::nullopt;
  at.checksum1 = s1;
  at.checksum2 = s2;
  if (since && (since->pageSize != at.pageSize || since->salt1 != at.salt1 || since->salt2 != at.salt2))
    return std::nullopt;
  if (since && since->frames == 0 && (since->checksum1 != s1 || since->checksum2 != s2)) return std::nullopt;

  const uint64_t frameSize = kFrameHeaderSize + at.pageSize;
  const uint64_t framesInFile = (size - kHeaderSize) / frameSize;
  // Go on from a kept scan of this run of the log, once its last frame proves unchanged.
  uint64_t firstFrame = 1;
  if (kept && since && kept->end == *since && since->frames > 0 && since->frames <= framesInFile) {
    unsigned char last[kFrameHeaderSize];
    if (!read(last, kFrameHeaderSize, kHeaderSize + (since->frames - 1) * frameSize)) return std::nullopt;
    if (bigEndian32(last + 8) != at.salt1 || bigEndian32(last + 12) != at.salt2 || bigEndian32(last + 4) == 0 ||
        bigEndian32(last + 16) != since->checksum1 || bigEndian32(last + 20) != since->checksum2)
      return std::nullopt;
    scan.latestFrame = kept->latestFrame;
    scan.databasePages = kept->databasePages;
    at = kept->end;
    s1 = at.checksum1;
    s2 = at.checksum2;
    firstFrame = since->frames + 1;
  }
  const uint64_t framesPerRead = std::max<uint64_t>(1, kReadSize / frameSize);
  std::vector<unsigned char> buffer(static_cast<size_t>(std::min(framesPerRead, std::max<uint64_t>(framesInFile, 1)) * frameSize));
  // Pages of the frames read since the last commit: they count once a commit frame follows.
  std::vector<std::pair<uint32_t, uint64_t>> pending;
  bool ended = false;
  for (uint64_t first = firstFrame; first <= framesInFile && !ended; first += framesPerRead) {
    const uint64_t count = std::min(framesPerRead, framesInFile - first + 1);
    if (!read(buffer.data(), static_cast<size_t>(count * frameSize), kHeaderSize + (first - 1) * frameSize)) break;
    for (uint64_t i = 0; i < count; ++i) {
      const unsigned char* frame = buffer.data() + i * frameSize;
      const uint64_t number = first + i;
      const uint32_t page = bigEndian32(frame);
      if (page == 0 || bigEndian32(frame + 8) != at.salt1 || bigEndian32(frame + 12) != at.salt2) {
        ended = true;
        break;
      }
      addChecksum(bigEndianWords, frame, 8, s1, s2);
      addChecksum(bigEndianWords, frame + kFrameHeaderSize, at.pageSize, s1, s2);
      if (s1 != bigEndian32(frame + 16) || s2 != bigEndian32(frame + 20)) {
        ended = true;
        break;
      }
      pending.emplace_back(page, number);
      if (since && number == since->frames && (s1 != since->checksum1 || s2 != since->checksum2)) return std::nullopt;
      if (const uint32_t pages = bigEndian32(frame + 4); pages != 0) {
        for (const auto& [p, n] : pending) scan.latestFrame[p] = n;
        pending.clear();
        at.frames = number;
        at.checksum1 = s1;
        at.checksum2 = s2;
        scan.databasePages = pages;
      }
    }
  }
  // The position must lie on a commit of this log.
  if (since && at.frames < since->frames) return std::nullopt;
  const uint64_t from = since ? since->frames : 0;
  for (const auto& [page, frame] : scan.latestFrame)
    if (frame > from) scan.pagesSince.push_back(page);
  std::sort(scan.pagesSince.begin(), scan.pagesSince.end());
  return scan;
}
