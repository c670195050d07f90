// A read-only SQLite database that shows a write-ahead-log database as it stood at one
// commit, without opening or changing any of its files.
//
// Each page comes from its latest frame at or before the commit (FWDBLogFrames.h), else
// from the main file. Page 1 is shown as a rollback-journal database of the commit's size,
// so SQLite looks for no log of its own. The view is served by a private SQLite VFS that
// lives as long as the object: attach `uri()` to any connection of this process (it opens
// no file; other files of that connection go to the default VFS).
//
// REQUIRES: the files read stay as they were for the view's lifetime (the caller pins the
// source: frames up to a read mark are never rewritten, nor main-file pages that no frame
// holds). Reads from the view are thread-safe as long as the readers are.
#pragma once

#include <sqlite3.h>

#include <atomic>
#include <memory>
#include <string>

#include "database/FWDBLogFrames.h"

class FWDBLogView {
 public:
  // `readMain` reads the main file of `mainSize` bytes (a short read fills zeros), `readLog`
  // the log that `scan` describes.
  FWDBLogView(FWDBLogReader readMain, uint64_t mainSize, FWDBLogReader readLog, FWDBLogScan scan);
  ~FWDBLogView();
  FWDBLogView(const FWDBLogView&) = delete;
  FWDBLogView& operator=(const FWDBLogView&) = delete;

  // A URI for ATTACH or sqlite3_open_v2 with SQLITE_OPEN_URI.
  std::string uri() const;
  uint32_t pageSize() const { return scan_.end.pageSize; }
  uint32_t pageCount() const { return pageCount_; }
  const FWDBLogScan& scan() const { return scan_; }
  // Page `number` (from 1) as of the commit, `pageSize()` bytes; false when it cannot be read.
  bool readPage(uint32_t number, unsigned char* into) const;

 private:
  struct File;
  static int open(sqlite3_vfs*, sqlite3_filename, sqlite3_file*, int, int*);
  static int access(sqlite3_vfs*, const char*, int, int*);
  static int fullPathname(sqlite3_vfs*, const char*, int, char*);
  static int remove(sqlite3_vfs*, const char*, int);
  bool readBytes(unsigned char* into, int amount, int64_t offset) const;

  FWDBLogReader readMain_;
  uint64_t mainSize_;
  FWDBLogReader readLog_;
  FWDBLogScan scan_;
  uint32_t pageCount_;
  std::string name_;
  sqlite3_vfs vfs_{};
  sqlite3_vfs* base_ = nullptr;
  bool registered_ = false;
};
