// MapTileStore: the tiles a map view draws — from memory, from the MBTiles cache of the map
// type, or fetched from the map type's tile server (NetworkSettings) and then cached.
//
// tileImage() answers at once: an image when one is at hand, else none, after queueing a
// fetch (at most kMaxConcurrentFetches run at a time; a tile is fetched once per store;
// a tile that failed is not asked for again by this store). A fetched reply is kept only
// when it is a PNG within the size limit; anything else is logged and dropped. When a tile
// arrives, the tile handler runs on the main thread so the view can redraw.
//
// Caches: "/var/mobile/Library/Caches/com.kzt.kestrel.maptiles/<type>.mbtiles", one per map
// type (standard, satellite, hybrid). Destroying the store (or cancelAll) cancels every
// fetch. Main thread only.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/net/NetworkSettings.h"
#include "platform/net/URLConnection.h"
#include "platform/ui/Image.h"
#include "platform/ui/MapTileCache.h"
#include "platform/ui/MapTypes.h"

namespace kestrel::ui {

inline constexpr const char* kMapTileCacheFolder = "/var/mobile/Library/Caches/com.kzt.kestrel.maptiles";

class MapTileStore {
 public:
  static constexpr size_t kMaxConcurrentFetches = 4;
  static constexpr size_t kMemoryTiles = 256;

  explicit MapTileStore(net::NetworkSettings settings);
  ~MapTileStore();
  MapTileStore(const MapTileStore&) = delete;
  MapTileStore& operator=(const MapTileStore&) = delete;

  // The tile, or none (then fetched unless `fetch` is false or it failed before).
  std::shared_ptr<Image> tileImage(MapType type, const MapTileKey& key, bool fetch = true);
  void setTileHandler(std::function<void()> handler) { handler_ = std::move(handler); }
  // Fetches queued or running.
  size_t pendingCount() const { return queue_.size() + running_.size(); }
  void cancelAll();
  const net::NetworkSettings& settings() const { return settings_; }

 private:
  struct Fetch;
  using TileId = std::pair<int, MapTileKey>;

  MapTileCache* cache(MapType type);
  void startFetches();
  void fetchEnded(Fetch* fetch, const std::string* error);
  void remember(const TileId& id, std::shared_ptr<Image> image);

  net::NetworkSettings settings_;
  std::array<std::unique_ptr<MapTileCache>, 3> caches_;
  std::map<TileId, std::shared_ptr<Image>> memory_;
  std::deque<TileId> memoryOrder_;
  std::deque<TileId> queue_;
  std::map<TileId, std::unique_ptr<Fetch>> running_;
  std::set<TileId> asked_;
  std::function<void()> handler_;
};

}  // namespace kestrel::ui
