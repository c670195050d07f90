#include "database/FWDBArchiveColumns.h"

#include "platform/foundation/KeyedArchive.h"

namespace {

std::optional<Bytes> blobBytes(sqlite3_stmt* record, int column) {
  if (sqlite3_column_type(record, column) != SQLITE_BLOB) return std::nullopt;
  const void* blob = sqlite3_column_blob(record, column);
  int size = sqlite3_column_bytes(record, column);
  if (!blob || size <= 0) return std::nullopt;
  const auto* bytes = static_cast<const uint8_t*>(blob);
  return Bytes(bytes, bytes + size);
}

}  // namespace

std::optional<Color> FWDBReadColumnColor(sqlite3_stmt* record, int column) {
  auto bytes = blobBytes(record, column);
  return bytes ? kestrel::KeyedArchive::decodeColor(*bytes) : std::nullopt;
}

Color FWDBReadColumnColorWithDefault(sqlite3_stmt* record, int column, const Color& defaultValue) {
  return FWDBReadColumnColor(record, column).value_or(defaultValue);
}

std::optional<TimeZone> FWDBReadColumnTimeZone(sqlite3_stmt* record, int column) {
  auto bytes = blobBytes(record, column);
  return bytes ? kestrel::KeyedArchive::decodeTimeZone(*bytes) : std::nullopt;
}

TimeZone FWDBReadColumnTimeZoneWithDefault(sqlite3_stmt* record, int column, const TimeZone& defaultValue) {
  return FWDBReadColumnTimeZone(record, column).value_or(defaultValue);
}
