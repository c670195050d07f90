#include "platform/ui/MapTileStore.h"

#include <algorithm>

#include "platform/foundation/Device.h"
#include "platform/foundation/Log.h"
#include "platform/ui/Bitmap.h"

namespace kestrel::ui {

namespace {

constexpr std::array<const char*, 3> kTypeNames = {"standard", "satellite", "hybrid"};

std::shared_ptr<Image> decodeTile(const std::vector<uint8_t>& bytes) {
  std::optional<Bitmap> bitmap = Bitmap::decodePNG(bytes);
  if (!bitmap) return nullptr;
  return Image::imageWithBitmap(std::move(*bitmap), 1);
}

}  // namespace

struct MapTileStore::Fetch : net::URLConnectionDelegate {
  MapTileStore* store = nullptr;
  TileId id;
  long status = 0;
  std::vector<uint8_t> body;
  std::unique_ptr<net::URLConnection> request;

  void connection(net::URLConnection&, const net::URLResponse& response) override { status = response.statusCode; }
  void connection(net::URLConnection&, std::string_view data) override { body.insert(body.end(), data.begin(), data.end()); }
  void connectionDidFinishLoading(net::URLConnection&) override { store->fetchEnded(this, nullptr); }
  void connection(net::URLConnection&, const net::URLError& error) override { store->fetchEnded(this, &error.message); }
};

MapTileStore::MapTileStore(net::NetworkSettings settings) : settings_(std::move(settings)) {}

MapTileStore::~MapTileStore() { cancelAll(); }

void MapTileStore::cancelAll() {
  queue_.clear();
  running_.clear();  // each connection cancels as it goes
}

MapTileCache* MapTileStore::cache(MapType type) {
  size_t index = static_cast<size_t>(type);
  if (!caches_[index]) {
    std::string path = Device::path(std::string(kMapTileCacheFolder) + "/" + kTypeNames[index] + ".mbtiles");
    caches_[index] = std::make_unique<MapTileCache>(path, settings_.tileURLs[index]);
  }
  return caches_[index]->isOpen() ? caches_[index].get() : nullptr;
}

std::shared_ptr<Image> MapTileStore::tileImage(MapType type, const MapTileKey& key, bool fetch) {
  TileId id{static_cast<int>(type), key};
  if (auto it = memory_.find(id); it != memory_.end()) return it->second;
  if (MapTileCache* tiles = cache(type)) {
    if (std::optional<std::vector<uint8_t>> bytes = tiles->tileData(key)) {
      if (std::shared_ptr<Image> image = decodeTile(*bytes)) {
        remember(id, image);
        return image;
      }
    }
  }
  if (fetch && asked_.insert(id).second) {
    queue_.push_back(id);
    startFetches();
  }
  return nullptr;
}

void MapTileStore::remember(const TileId& id, std::shared_ptr<Image> image) {
  if (memory_.emplace(id, std::move(image)).second) memoryOrder_.push_back(id);
  while (memoryOrder_.size() > kMemoryTiles) {
    memory_.erase(memoryOrder_.front());
    memoryOrder_.pop_front();
  }
}

void MapTileStore::startFetches() {
  while (running_.size() < kMaxConcurrentFetches && !queue_.empty()) {
    TileId id = queue_.front();
    queue_.pop_front();
    auto fetch = std::make_unique<Fetch>();
    fetch->store = this;
    fetch->id = id;
    net::URLRequest request{
        .url = net::NetworkSettings::tileURL(settings_.tileURLs[static_cast<size_t>(id.first)], id.second.zoom,
                                             id.second.x, id.second.y),
        .timeoutSeconds = settings_.timeoutSeconds,
        .maxBytes = settings_.maxTileBytes,
    };
    Fetch* raw = fetch.get();
    running_.emplace(id, std::move(fetch));
    raw->request = net::URLConnection::connectionWithRequest(request, raw);
  }
}

void MapTileStore::fetchEnded(Fetch* fetch, const std::string* error) {
  auto it = running_.find(fetch->id);
  if (it == running_.end()) return;
  std::unique_ptr<Fetch> done = std::move(it->second);
  running_.erase(it);
  const std::string url = done->request->request().url;
  std::shared_ptr<Image> image;
  if (error) {
    KSLog("KS:MapView: Tile %@ failed: %@", url, *error);
  } else if (done->status != 200) {
    KSLog("KS:MapView: Tile %@ answered status %ld", url, done->status);
  } else if (!(image = decodeTile(done->body))) {
    KSLog("KS:MapView: Tile %@ is not a PNG (%lu bytes); dropped", url, static_cast<unsigned long>(done->body.size()));
  } else {
    if (MapTileCache* tiles = cache(static_cast<MapType>(done->id.first))) tiles->storeTileData(done->id.second, done->body);
    remember(done->id, image);
  }
  // The connection ended; destroying it here, inside its own delivery, is allowed.
  done.reset();
  startFetches();
  if (image && handler_) handler_();
}

}  // namespace kestrel::ui
