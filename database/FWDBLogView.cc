#include "database/FWDBLogView.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "database/FWDBBigEndian.h"

namespace {

std::atomic<unsigned> gViews{0};

}  // namespace

struct FWDBLogView::File {
  sqlite3_file base;
  const FWDBLogView* view;

  static const FWDBLogView& of(sqlite3_file* f) { return *reinterpret_cast<File*>(f)->view; }
  static int close(sqlite3_file*) { return SQLITE_OK; }
  static int read(sqlite3_file* f, void* into, int amount, sqlite3_int64 offset) {
    return of(f).readBytes(static_cast<unsigned char*>(into), amount, offset) ? SQLITE_OK : SQLITE_IOERR_SHORT_READ;
  }
  static int write(sqlite3_file*, const void*, int, sqlite3_int64) { return SQLITE_READONLY; }
  static int truncate(sqlite3_file*, sqlite3_int64) { return SQLITE_READONLY; }
  static int sync(sqlite3_file*, int) { return SQLITE_OK; }
  static int fileSize(sqlite3_file* f, sqlite3_int64* size) {
    *size = sqlite3_int64(of(f).pageCount()) * of(f).pageSize();
    return SQLITE_OK;
  }
  static int lock(sqlite3_file*, int) { return SQLITE_OK; }
  static int checkReservedLock(sqlite3_file*, int* out) {
    *out = 0;
    return SQLITE_OK;
  }
  static int fileControl(sqlite3_file*, int, void*) { return SQLITE_NOTFOUND; }
  static int sectorSize(sqlite3_file*) { return 512; }
  static int deviceCharacteristics(sqlite3_file*) { return SQLITE_IOCAP_IMMUTABLE; }

  static constexpr sqlite3_io_methods kMethods = {
      1,     &close, &read,       &write,       &truncate,  &sync,      &fileSize, &lock, &lock, &checkReservedLock,
      &fileControl, &sectorSize, &deviceCharacteristics, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
};

FWDBLogView::FWDBLogView(FWDBLogReader readMain, uint64_t mainSize, FWDBLogReader readLog, FWDBLogScan scan)
    : readMain_(std::move(readMain)), mainSize_(mainSize), readLog_(std::move(readLog)), scan_(std::move(scan)) {
  pageCount_ = scan_.databasePages ? scan_.databasePages : static_cast<uint32_t>(mainSize_ / scan_.end.pageSize);
  name_ = "fwdb-logview-" + std::to_string(gViews.fetch_add(1));
  base_ = sqlite3_vfs_find(nullptr);
  if (!base_) return;
  vfs_ = *base_;
  vfs_.iVersion = std::min(base_->iVersion, 2);
  vfs_.szOsFile = std::max<int>(base_->szOsFile, sizeof(File));
  vfs_.pNext = nullptr;
  vfs_.zName = name_.c_str();
  vfs_.pAppData = this;
  vfs_.xOpen = &FWDBLogView::open;
  vfs_.xDelete = &FWDBLogView::remove;
  vfs_.xAccess = &FWDBLogView::access;
  vfs_.xFullPathname = &FWDBLogView::fullPathname;
  registered_ = sqlite3_vfs_register(&vfs_, 0) == SQLITE_OK;
}

FWDBLogView::~FWDBLogView() {
  if (registered_) sqlite3_vfs_unregister(&vfs_);
}

std::string FWDBLogView::uri() const { return "file:" + name_ + "?vfs=" + name_ + "&mode=ro&immutable=1"; }

bool FWDBLogView::readPage(uint32_t number, unsigned char* into) const {
  if (number == 0 || number > pageCount_) return false;
  const uint32_t size = pageSize();
  if (auto frame = scan_.latestFrame.find(number); frame != scan_.latestFrame.end()) {
    if (!readLog_(into, size, scan_.pageOffset(frame->second))) return false;
  } else {
    const uint64_t offset = uint64_t(number - 1) * size;
    std::memset(into, 0, size);
    if (offset < mainSize_) {
      const size_t available = static_cast<size_t>(std::min<uint64_t>(size, mainSize_ - offset));
      if (!readMain_(into, available, offset)) return false;
    }
  }
  if (number == 1 && size >= 100) {
    // A rollback-journal database of the commit's size.
    into[18] = 1;
    into[19] = 1;
    FWDBPut32(into + 28, pageCount_);
  }
  return true;
}

bool FWDBLogView::readBytes(unsigned char* into, int amount, int64_t offset) const {
  const uint32_t size = pageSize();
  if (amount < 0 || offset < 0) return false;
  std::vector<unsigned char> page(size);
  while (amount > 0) {
    const uint32_t number = static_cast<uint32_t>(offset / size) + 1;
    const uint32_t within = static_cast<uint32_t>(offset % size);
    const int take = static_cast<int>(std::min<int64_t>(amount, size - within));
    if (!readPage(number, page.data())) {
      std::memset(into, 0, static_cast<size_t>(amount));
      return false;
    }
    std::memcpy(into, page.data() + within, static_cast<size_t>(take));
    into += take;
    offset += take;
    amount -= take;
  }
  return true;
}

int FWDBLogView::open(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
  auto* self = static_cast<FWDBLogView*>(vfs->pAppData);
  if (!(flags & SQLITE_OPEN_MAIN_DB)) return self->base_->xOpen(self->base_, name, file, flags, outFlags);
  auto* view = reinterpret_cast<File*>(file);
  view->base.pMethods = &File::kMethods;
  view->view = self;
  if (outFlags) *outFlags = SQLITE_OPEN_READONLY;
  return SQLITE_OK;
}

int FWDBLogView::access(sqlite3_vfs*, const char*, int, int* out) {
  // No journal, log or index exists beside the view.
  *out = 0;
  return SQLITE_OK;
}

int FWDBLogView::fullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
  if (size <= 0) return SQLITE_CANTOPEN;
  std::snprintf(out, static_cast<size_t>(size), "%s", name);
  return SQLITE_OK;
}

int FWDBLogView::remove(sqlite3_vfs* vfs, const char* name, int syncDir) {
  auto* self = static_cast<FWDBLogView*>(vfs->pAppData);
  return self->base_->xDelete(self->base_, name, syncDir);
}
