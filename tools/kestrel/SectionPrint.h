// SectionPrint: prints a loaded plug-in's section the way `kestrel rows` shows it.
//
// printSection writes the rows in sort order: a table for people, or with `json` one JSON
// object per row with its height and drawn texts (RowOutput.h). printSectionHeader writes
// one line naming what was just done and the section's title and header detail: text
// "== <what> — <title> (<detail>) ==", or JSON {"step":..., "title":..., "detail":...}.
// Main thread only.
#pragma once

#include <cstdio>
#include <string>

#include "platform/host/HostEngine.h"

namespace kestrel::tool {

void printSection(std::FILE* out, HostEngine& engine, bool json);
void printSectionHeader(std::FILE* out, HostEngine& engine, const std::string& what, bool json);

}  // namespace kestrel::tool
