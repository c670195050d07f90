// Reading SQLite's write-ahead log as frames, the way its recovery does.
//
// The log is a 32-byte header (magic, format, page size, checkpoint sequence, two salts and
// a checksum) followed by frames: a 24-byte header (page number, database size in pages
// after a commit or 0, the two salts, a running checksum) and one page. A frame counts only
// when its salts are the header's and its running checksum, chained from the header's
// through every earlier frame, holds; the log ends at the first frame that fails, and only
// frames up to the last commit frame before that end are part of the database. A restart
// of the log writes new salts, so frames left over from before it never count.
//
// The log is read through a callback, in large pieces, so the same scan serves a file
// opened by SQLite (a pinned source) and a plain file. Nothing read is trusted: a damaged
// or hostile log gives a shorter log or none, never a read out of bounds.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

// Reads `size` bytes at `offset` into `into`; false when they cannot all be read.
using FWDBLogReader = std::function<bool(unsigned char* into, size_t size, uint64_t offset)>;

// Where a log stood: enough to tell later that it only grew, and to go on from there.
struct FWDBLogPosition {
  uint32_t pageSize = 0;
  uint32_t salt1 = 0;
  uint32_t salt2 = 0;
  uint64_t frames = 0;  // frames up to and including the last commit frame
  uint32_t checksum1 = 0;  // the running checksum after frame `frames` (the header's when 0)
  uint32_t checksum2 = 0;
  bool operator==(const FWDBLogPosition&) const = default;
};

struct FWDBLogScan {
  FWDBLogPosition end;          // after the last commit frame
  uint32_t databasePages = 0;   // the database's size after that commit; 0 when no commit
  // For every page written by a committed frame: the number (1-based) of its latest frame.
  std::unordered_map<uint32_t, uint64_t> latestFrame;
  // Pages written by the committed frames after `since.frames` (each once).
  std::vector<uint32_t> pagesSince;

  // Byte offset of frame `frame`'s page in the log.
  uint64_t pageOffset(uint64_t frame) const { return 32 + (frame - 1) * (24 + uint64_t(end.pageSize)) + 24; }
};

// Scans the log of `size` bytes. With `since`, the log must continue that position: the same
// page size and salts, at least that many valid frames, and the same running checksum after
// them; otherwise (a restart, a truncation, another log) the answer is none. Without it, the
// whole log counts. None also for a log without a valid header.
//
// With `kept`, an earlier scan of the same log that ended at `since`, only the frames after
// it are read: the header must still carry its salts and the frame it ended at its running
// checksum (a restart writes new salts, and frames up to a commit are never rewritten
// without one), and the map of latest frames goes on from the kept one. A `kept` that ended
// elsewhere is ignored.
std::optional<FWDBLogScan> FWDBScanLog(const FWDBLogReader& read, uint64_t size,
                                       const std::optional<FWDBLogPosition>& since = std::nullopt,
                                       const FWDBLogScan* kept = nullptr);
