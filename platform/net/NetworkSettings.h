// NetworkSettings: the base URLs of the public services the device talks to, and the limits
// put on their replies, read from one property list of the device:
//
//     /var/mobile/Library/Preferences/com.kzt.kestrel.network.plist
//
// Keys (every one optional; a missing, empty or wrongly typed value keeps the default):
//   CountryServiceURL   IP-to-country service; its reply is a two-letter region code
//   GeocoderURL         geocoding service, XML output (a "?address=..." query is appended)
//   WebMapURL           web map page opened for a place (a "?q=..." query is appended)
//   StandardTileURL, SatelliteTileURL, HybridTileURL
//                       XYZ raster tile templates with "{z}", "{x}" and "{y}", one per map type
//   StandardTileAttribution, SatelliteTileAttribution, HybridTileAttribution
//                       the credit line drawn over each source's tiles
//   TimeoutSeconds      whole-request limit of a service request (1...300)
//   MaxReplyBytes       size limit of a service reply (1 KiB...64 MiB)
//   MaxTileBytes        size limit of one tile (1 KiB...16 MiB)
//
// Only http and https URLs are taken; anything else is logged and the default stays. A
// damaged file is logged and read as empty. Thread-safe (values are read on each call).
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace kestrel::net {

inline constexpr const char* kNetworkSettingsPath = "/var/mobile/Library/Preferences/com.kzt.kestrel.network.plist";

struct NetworkSettings {
  std::string countryServiceURL = "https://ipinfo.io/country";
  std::string geocoderURL = "https://maps.googleapis.com/maps/api/geocode/xml";
  std::string webMapURL = "https://maps.google.com/maps";
  // Indexed by map type: standard, satellite, hybrid.
  std::array<std::string, 3> tileURLs = {
      "https://tile.openstreetmap.org/{z}/{x}/{y}.png",
      "https://server.arcgisonline.com/ArcGIS/rest/services/World_Imagery/MapServer/tile/{z}/{y}/{x}",
      "https://server.arcgisonline.com/ArcGIS/rest/services/World_Imagery/MapServer/tile/{z}/{y}/{x}",
  };
  std::array<std::string, 3> tileAttributions = {
      "\u00A9 OpenStreetMap contributors",
      "Imagery \u00A9 Esri",
      "Imagery \u00A9 Esri",
  };
  double timeoutSeconds = 20;
  size_t maxReplyBytes = 1 << 20;
  size_t maxTileBytes = 512 << 10;

  // The device's settings over the defaults above.
  static NetworkSettings load();
  // "{z}", "{x}" and "{y}" of a template replaced.
  static std::string tileURL(const std::string& urlTemplate, int z, int x, int y);
};

// Whether the text is an http or https URL with a host.
bool isWebURL(const std::string& url);

}  // namespace kestrel::net
