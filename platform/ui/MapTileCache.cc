#include "platform/ui/MapTileCache.h"

#include <sqlite3.h>

#include <cstdio>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace kestrel::ui {

namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS metadata (name TEXT, value TEXT);"
    "CREATE UNIQUE INDEX IF NOT EXISTS metadata_name ON metadata (name);"
    "CREATE TABLE IF NOT EXISTS tiles (zoom_level INTEGER, tile_column INTEGER, tile_row INTEGER, tile_data BLOB);"
    "CREATE UNIQUE INDEX IF NOT EXISTS tile_index ON tiles (zoom_level, tile_column, tile_row);";

// MBTiles counts rows from the south.
int tmsRow(const MapTileKey& key) { return (1 << key.zoom) - 1 - key.y; }

struct Statement {
  Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr); }
  ~Statement() { sqlite3_finalize(stmt); }
  sqlite3_stmt* stmt = nullptr;
};

}  // namespace

MapTileCache::MapTileCache(std::string path, std::string name) : path_(std::move(path)), name_(std::move(name)) {
  if (!open()) {
    close();
    std::string aside = path_ + ".damaged";
    if (files::exists(path_) && std::rename(path_.c_str(), aside.c_str()) == 0) {
      KSLog("KS:MapView: Tile cache %@ is damaged; moved aside to %@", path_, aside);
      files::removeFile(path_ + "-journal");
      if (!open()) close();
    }
  }
}

MapTileCache::~MapTileCache() { close(); }

bool MapTileCache::open() {
  files::createDirectories(files::deletingLastPathComponent(path_));
  if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    KSLog("KS:MapView: Cannot open tile cache %@: %@", path_, db_ ? sqlite3_errmsg(db_) : "out of memory");
    return false;
  }
  sqlite3_busy_timeout(db_, 200);
  char* error = nullptr;
  if (sqlite3_exec(db_, kSchema, nullptr, nullptr, &error) != SQLITE_OK) {
    KSLog("KS:MapView: Tile cache %@ is not usable: %@", path_, error ? error : "?");
    sqlite3_free(error);
    return false;
  }
  // Tiles of another source (the settings changed) are dropped rather than shown.
  std::optional<std::string> source;
  {
    Statement select(db_, "SELECT value FROM metadata WHERE name = 'source'");
    if (select.stmt && sqlite3_step(select.stmt) == SQLITE_ROW && sqlite3_column_text(select.stmt, 0)) {
      source = reinterpret_cast<const char*>(sqlite3_column_text(select.stmt, 0));
    }
  }
  if (source && *source != name_) {
    KSLog("KS:MapView: Tile source of %@ changed from %@ to %@; dropping its tiles", path_, *source, name_);
    sqlite3_exec(db_, "DELETE FROM tiles", nullptr, nullptr, nullptr);
  }
  Statement meta(db_, "INSERT OR REPLACE INTO metadata (name, value) VALUES ('source', ?1), ('format', 'png')");
  if (meta.stmt) {
    sqlite3_bind_text(meta.stmt, 1, name_.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(meta.stmt);
  }
  return true;
}

void MapTileCache::close() {
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
}

std::optional<std::vector<uint8_t>> MapTileCache::tileData(const MapTileKey& key) {
  if (!db_) return std::nullopt;
  Statement select(db_, "SELECT tile_data FROM tiles WHERE zoom_level = ?1 AND tile_column = ?2 AND tile_row = ?3");
  if (!select.stmt) return std::nullopt;
  sqlite3_bind_int(select.stmt, 1, key.zoom);
  sqlite3_bind_int(select.stmt, 2, key.x);
  sqlite3_bind_int(select.stmt, 3, tmsRow(key));
  int rc = sqlite3_step(select.stmt);
  if (rc != SQLITE_ROW) {
    if (rc != SQLITE_DONE) KSLog("KS:MapView: Cannot read tile cache %@: %@", path_, sqlite3_errmsg(db_));
    return std::nullopt;
  }
  const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(select.stmt, 0));
  int length = sqlite3_column_bytes(select.stmt, 0);
  if (!bytes || length <= 0) return std::nullopt;
  return std::vector<uint8_t>(bytes, bytes + length);
}

bool MapTileCache::storeTileData(const MapTileKey& key, const std::vector<uint8_t>& data) {
  if (!db_) return false;
  Statement insert(db_,
                   "INSERT OR REPLACE INTO tiles (zoom_level, tile_column, tile_row, tile_data) VALUES (?1, ?2, ?3, ?4)");
  if (!insert.stmt) return false;
  sqlite3_bind_int(insert.stmt, 1, key.zoom);
  sqlite3_bind_int(insert.stmt, 2, key.x);
  sqlite3_bind_int(insert.stmt, 3, tmsRow(key));
  sqlite3_bind_blob(insert.stmt, 4, data.data(), static_cast<int>(data.size()), SQLITE_TRANSIENT);
  if (sqlite3_step(insert.stmt) != SQLITE_DONE) {
    KSLog("KS:MapView: Cannot write tile cache %@: %@", path_, sqlite3_errmsg(db_));
    return false;
  }
  return true;
}

int64_t MapTileCache::tileCount() {
  if (!db_) return 0;
  Statement count(db_, "SELECT count(*) FROM tiles");
  if (!count.stmt || sqlite3_step(count.stmt) != SQLITE_ROW) return 0;
  return sqlite3_column_int64(count.stmt, 0);
}

}  // namespace kestrel::ui
