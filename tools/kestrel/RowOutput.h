// How kestrel prints a section's rows.
//
// Text, for people: a header line, then one line per row with its unique id, type, sort
// order and the item's description, control characters escaped so a row stays one line.
// JSON lines, for scripts: one object per row with "uniqueID", "type", "sortOrder" and,
// when the row carries an item, "object": the item's fields when it is KSDescribable, else
// its description text.
#pragma once

#include <cstdio>
#include <vector>

#include "platform/host/KSHost.h"

namespace kestrel::tool {

void printRowsText(std::FILE* out, const std::vector<Ref<KSData>>& rows);
void printRowsJson(std::FILE* out, const std::vector<Ref<KSData>>& rows);
std::string rowJson(const KSData& row);

}  // namespace kestrel::tool
