#include "tools/kestrel/RowOutput.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>

#include "tools/kestrel/CommandLine.h"
#include "tools/kestrel/Json.h"

namespace kestrel::tool {
namespace {

// Width on screen, near enough: UTF-8 code points.
size_t displayWidth(const std::string& s) {
  return static_cast<size_t>(std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string padded(const std::string& s, size_t width) {
  size_t w = displayWidth(s);
  return w >= width ? s : s + std::string(width - w, ' ');
}

// The item's own code answers these; a throwing item must not take the program down.
std::string safeDescription(const KSData& row) {
  try {
    return row.object.description();
  } catch (const std::exception& e) {
    return std::string("(description failed: ") + e.what() + ")";
  } catch (...) {
    return "(description failed)";
  }
}

PlistValue safeFields(const KSData& row) {
  try {
    return row.object.fields();
  } catch (...) {
    return PlistValue();
  }
}

}  // namespace

std::string headingLine(const std::string& heading) { return "-- " + printable(heading) + " --"; }

void printRowsText(std::FILE* out, const std::vector<Ref<KSData>>& rows, const std::vector<RowDisplay>& displays) {
  struct Line {
    std::string id, type, order, description;
    std::string heading{};
  };
  std::vector<Line> lines{{"UNIQUE ID", "TYPE", "SORT ORDER", "DESCRIPTION"}};
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& r = rows[i];
    const auto& heading = i < displays.size() ? displays[i].texts.heading : std::nullopt;
    lines.push_back({printable(r->uniqueID), std::to_string(r->type()), std::to_string(r->sortOrder()),
                     printable(safeDescription(*r)), heading ? headingLine(*heading) : std::string()});
  }
  size_t idWidth = 0, typeWidth = 0, orderWidth = 0;
  for (const auto& l : lines) {
    idWidth = std::max(idWidth, displayWidth(l.id));
    typeWidth = std::max(typeWidth, displayWidth(l.type));
    orderWidth = std::max(orderWidth, displayWidth(l.order));
  }
  for (const auto& l : lines) {
    if (!l.heading.empty()) std::fprintf(out, "%s\n", l.heading.c_str());
    std::string text = padded(l.id, idWidth) + "  " + padded(l.type, typeWidth) + "  " + padded(l.order, orderWidth) +
                       "  " + l.description;
    while (!text.empty() && text.back() == ' ') text.pop_back();
    std::fprintf(out, "%s\n", text.c_str());
  }
}

std::string rowJson(const KSData& row, const RowDisplay& display, const std::string& section) {
  std::string out = "{";
  if (!section.empty()) out += "\"section\":" + jsonString(section) + ",";
  out += "\"uniqueID\":" + jsonString(row.uniqueID) + ",\"type\":" + std::to_string(row.type()) +
                    ",\"sortOrder\":" + std::to_string(row.sortOrder());
  if (row.object) {
    PlistValue fields = safeFields(row);
    out += ",\"object\":" + (fields.isDict() ? jsonValue(fields) : jsonString(safeDescription(row)));
  }
  out += ",\"height\":" + jsonValue(PlistValue(display.height));
  const std::pair<const char*, const std::optional<std::string>*> texts[] = {
      {"summary", &display.texts.summary}, {"detail", &display.texts.detail}, {"highlight", &display.texts.highlight},
      {"heading", &display.texts.heading}};
  for (const auto& [key, text] : texts)
    if (*text) out += ",\"" + std::string(key) + "\":" + jsonString(**text);
  return out + "}";
}

void printRowsJson(std::FILE* out, const std::vector<Ref<KSData>>& rows, const std::vector<RowDisplay>& displays,
                   const std::string& section) {
  for (size_t i = 0; i < rows.size(); ++i)
    std::fprintf(out, "%s\n", rowJson(*rows[i], i < displays.size() ? displays[i] : RowDisplay{}, section).c_str());
}

}  // namespace kestrel::tool
