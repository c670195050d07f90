#include "platform/net/NetworkSettings.h"

#include <cmath>

#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PlistValue.h"

namespace kestrel::net {

namespace {

void readURL(const PlistValue& dict, const char* key, std::string& target) {
  const PlistValue* value = dict.get(key);
  if (!value) return;
  const std::string* text = value->asString();
  if (!text || !isWebURL(*text)) {
    KSLog("KS:Network: Ignoring setting %@ = %@ (not an http or https URL)", key, value->description());
    return;
  }
  target = *text;
}

void readText(const PlistValue& dict, const char* key, std::string& target) {
  const PlistValue* value = dict.get(key);
  if (value && value->asString()) target = *value->asString();
}

template <class T>
void readNumber(const PlistValue& dict, const char* key, double low, double high, T& target) {
  const PlistValue* value = dict.get(key);
  if (!value) return;
  std::optional<double> number = value->doubleValue();
  if (!number || !std::isfinite(*number) || *number < low || *number > high) {
    KSLog("KS:Network: Ignoring setting %@ = %@ (outside %g...%g)", key, value->description(), low, high);
    return;
  }
  target = static_cast<T>(*number);
}

}  // namespace

bool isWebURL(const std::string& url) {
  for (const char* scheme : {"http://", "https://"}) {
    size_t length = std::char_traits<char>::length(scheme);
    if (url.size() > length && url.compare(0, length, scheme) == 0 && url[length] != '/') {
      for (unsigned char c : url) {
        if (c <= ' ' || c >= 0x7f) return false;
      }
      return true;
    }
  }
  return false;
}

NetworkSettings NetworkSettings::load() {
  NetworkSettings settings;
  std::string path = Device::path(kNetworkSettingsPath);
  if (!files::exists(path)) return settings;
  std::optional<PlistValue> file = PlistValue::fromFile(path);
  if (!file || !file->isDict()) {
    KSLog("KS:Network: Settings file %@ is damaged; using the default services", kNetworkSettingsPath);
    return settings;
  }
  readURL(*file, "CountryServiceURL", settings.countryServiceURL);
  readURL(*file, "GeocoderURL", settings.geocoderURL);
  readURL(*file, "WebMapURL", settings.webMapURL);
  readURL(*file, "StandardTileURL", settings.tileURLs[0]);
  readURL(*file, "SatelliteTileURL", settings.tileURLs[1]);
  readURL(*file, "HybridTileURL", settings.tileURLs[2]);
  readText(*file, "StandardTileAttribution", settings.tileAttributions[0]);
  readText(*file, "SatelliteTileAttribution", settings.tileAttributions[1]);
  readText(*file, "HybridTileAttribution", settings.tileAttributions[2]);
  readNumber(*file, "TimeoutSeconds", 1, 300, settings.timeoutSeconds);
  readNumber(*file, "MaxReplyBytes", 1024, 64.0 * 1024 * 1024, settings.maxReplyBytes);
  readNumber(*file, "MaxTileBytes", 1024, 16.0 * 1024 * 1024, settings.maxTileBytes);
  return settings;
}

std::string NetworkSettings::tileURL(const std::string& urlTemplate, int z, int x, int y) {
  std::string url;
  url.reserve(urlTemplate.size() + 16);
  for (size_t i = 0; i < urlTemplate.size(); ++i) {
    if (urlTemplate.compare(i, 3, "{z}") == 0) {
      url += std::to_string(z);
    } else if (urlTemplate.compare(i, 3, "{x}") == 0) {
      url += std::to_string(x);
    } else if (urlTemplate.compare(i, 3, "{y}") == 0) {
      url += std::to_string(y);
    } else {
      url += urlTemplate[i];
      continue;
    }
    i += 2;
  }
  return url;
}

}  // namespace kestrel::net
