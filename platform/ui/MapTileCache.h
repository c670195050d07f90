// MapTileCache: raster map tiles kept in an MBTiles file, the SQLite layout map tools share
// (a `metadata` table of name/value pairs and a `tiles` table keyed by zoom level, column
// and row, rows counted from the south as MBTiles does). One file holds one tile source.
//
// Tiles are stored as fetched (PNG bytes) and read back as bytes; the cache never judges
// them. A file that cannot be opened or is not an MBTiles file is logged and moved aside
// as "<name>.damaged", and a fresh one is made: it is a cache, and its tiles can always be
// fetched again. Failures to read or write are logged and answer none or false.
//
// Not thread-safe: the map view uses it from the main thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

typedef struct sqlite3 sqlite3;

namespace kestrel::ui {

struct MapTileKey {
  int zoom = 0;
  int x = 0;
  int y = 0;  // counted from the north, as XYZ tile servers count
  friend auto operator<=>(const MapTileKey&, const MapTileKey&) = default;
};

class MapTileCache {
 public:
  // `path` is a local path; folders are made as needed. `source` (the tile URL template)
  // is kept in the metadata; a file that holds another source's tiles is emptied.
  MapTileCache(std::string path, std::string source);
  ~MapTileCache();
  MapTileCache(const MapTileCache&) = delete;
  MapTileCache& operator=(const MapTileCache&) = delete;

  bool isOpen() const { return db_ != nullptr; }
  const std::string& path() const { return path_; }
  std::optional<std::vector<uint8_t>> tileData(const MapTileKey& key);
  bool storeTileData(const MapTileKey& key, const std::vector<uint8_t>& data);
  // Tiles stored in the file.
  int64_t tileCount();

 private:
  bool open();
  void close();

  std::string path_;
  std::string name_;
  sqlite3* db_ = nullptr;
};

}  // namespace kestrel::ui
