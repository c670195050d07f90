// How kestrel prints a section's rows.
//
// Text, for people: a header line, then one line per row with its unique id, type, sort
// order and the item's description, control characters escaped so a row stays one line;
// a row that draws a heading above itself (an events day's "Today" and its time summary)
// is preceded by the line "-- HEADING --".
// JSON lines, for scripts: one object per row with "uniqueID", "type", "sortOrder" and,
// when the row carries an item, "object": the item's fields when it is KSDescribable, else
// its description text. What the host shows of the row follows: "height" (at the row width)
// and the texts its view draws, "summary", "detail" and "highlight", each left out when the
// view shows no such text, and "heading" on a row that draws one. When the host shows several sections, each object starts with
// "section", the name of the section the row belongs to.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/host/KSHost.h"

namespace kestrel::tool {

// What the host shows of a row.
struct RowDisplay {
  double height = 0;
  KSDrawnTexts texts;
};

// `displays` runs parallel to `rows` (missing ones draw no heading).
void printRowsText(std::FILE* out, const std::vector<Ref<KSData>>& rows, const std::vector<RowDisplay>& displays = {});
// The line a drawn heading is printed as: "-- Today: 09:00–10:00 --".
std::string headingLine(const std::string& heading);
// `section` empty: no "section" field.
void printRowsJson(std::FILE* out, const std::vector<Ref<KSData>>& rows, const std::vector<RowDisplay>& displays,
                   const std::string& section = {});
std::string rowJson(const KSData& row, const RowDisplay& display, const std::string& section = {});

}  // namespace kestrel::tool
