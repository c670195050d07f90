// File-system helpers for device files: attributes, reads and atomic writes.
//
// Paths here are local paths (resolve device paths with Device::path first). Nothing
// throws; failures answer false / none. Atomic writes go to a temporary file in the same
// folder, are flushed, then renamed over the target, so readers never see half a file.
#pragma once

#include <optional>
#include <string>

#include "platform/foundation/Date.h"
#include "platform/foundation/PlistValue.h"

namespace kestrel::files {

bool exists(const std::string& path);
bool isDirectory(const std::string& path);
bool isReadableFile(const std::string& path);
// Modification date, following symbolic links; none when the file does not exist.
std::optional<Date> modificationDate(const std::string& path);
bool setModificationDate(const std::string& path, Date date);
std::optional<uint64_t> size(const std::string& path);

bool createDirectories(const std::string& path);
bool removeFile(const std::string& path);
// Opens a regular file for reading without ever blocking: a FIFO, device or socket in its
// place is refused (errno EINVAL) instead of waiting for a writer. The descriptor is
// blocking again once returned; -1 on failure. The caller closes it.
int openRegularFileForReading(const std::string& path);
// Whole contents of a regular file (see openRegularFileForReading); none for anything else.
std::optional<Bytes> readFile(const std::string& path);
std::optional<std::string> readText(const std::string& path);
// Writes atomically, creating parent folders. False (and the old file intact) on failure.
// The temporary file is "<path>.tmp.<pid>.<n>"; once the file is in place, the temporary
// files of processes that ended before they finished (a crash, a kill) go too.
bool writeFileAtomically(const std::string& path, const void* data, size_t size);
inline bool writeFileAtomically(const std::string& path, const Bytes& data) {
  return writeFileAtomically(path, data.data(), data.size());
}
inline bool writeFileAtomically(const std::string& path, const std::string& text) {
  return writeFileAtomically(path, text.data(), text.size());
}
// Like writeFileAtomically into a folder that must exist (it is not created), keeping an
// existing file's permission bits (a private calendar stays private).
bool replaceFileAtomically(const std::string& path, const std::string& text);
// Removes the files in `folder` named `prefix`, a process id and then anything not a digit,
// whose process no longer runs: what a write interrupted by the end of its process left.
// Answers how many went.
size_t removeFilesOfEndedProcesses(const std::string& folder, const std::string& prefix);
bool writePlistAtomically(const std::string& path, const PlistValue& value,
                          PlistValue::Format format = PlistValue::Format::XML);

std::string lastPathComponent(const std::string& path);
std::string deletingLastPathComponent(const std::string& path);

}  // namespace kestrel::files
