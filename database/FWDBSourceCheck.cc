#include "database/FWDBSourceCheck.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "database/FWDBSourceFiles.h"
#include "platform/foundation/Files.h"

namespace {

constexpr char kHeader[] = "SQLite format 3";  // 15 characters and the NUL: 16 bytes

// Reads up to `size` bytes at the start of the descriptor; the count read.
size_t readHead(int fd, unsigned char* buffer, size_t size) {
  size_t got = 0;
  while (got < size) {
    ssize_t n = ::pread(fd, buffer + got, size - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  return got;
}

}  // namespace

std::optional<std::string> FWDBSourceFileProblem(const std::string& localPath) {
  auto sourceFiles = FWDBLockSourceFiles();
  int fd = kestrel::files::openRegularFileForReading(localPath);
  if (fd < 0) {
    if (errno == EINVAL) return "Not a regular file";
    return std::string("Cannot read database: ") + std::strerror(errno);
  }
  struct stat st;
  unsigned char head[100];
  size_t got = 0;
  bool statted = ::fstat(fd, &st) == 0;
  if (statted) got = readHead(fd, head, sizeof head);
  ::close(fd);
  if (!statted) return "Cannot read database";
  if (st.st_size == 0) return "Database file is empty";
  if (got < sizeof head || std::memcmp(head, kHeader, sizeof kHeader) != 0) return "Not an SQLite database";
  // Page size: big-endian at offset 16, a power of two from 512 to 32768, or 1 for 65536.
  unsigned raw = (static_cast<unsigned>(head[16]) << 8) | head[17];
  unsigned pageSize = raw == 1 ? 65536u : raw;
  if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0)
    return "Damaged database header (page size " + std::to_string(raw) + ")";
  if (static_cast<unsigned long long>(st.st_size) < pageSize) return "Database file is truncated";
  return std::nullopt;
}
