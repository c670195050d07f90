// SectionPrint: prints a loaded plug-in's section the way `kestrel rows` shows it.
//
// printSection writes the rows in sort order: a table for people, or with `json` one JSON
// object per row with its height and drawn texts (RowOutput.h). printSectionHeader writes
// one line naming what was just done and the section's title and header detail: text
// "== <what> — <title> (<detail>) ==", or JSON {"step":..., "title":..., "detail":...}.
// printSectionAsShown writes what a person reads on the lock screen: for a task or event
// row its summary line, then its highlight and detail texts indented below; for the status
// and message rows one line with the caption and the badge in parentheses; a row that
// draws no text (the tool bar) by its id.
// Main thread only.
#pragma once

#include <cstdio>
#include <string>

#include "platform/host/HostEngine.h"

namespace kestrel::tool {

void printSection(std::FILE* out, HostEngine& engine, bool json);
// With `numberTaskRows` each task row's summary starts with its 1-based position among
// the task rows.
void printSectionAsShown(std::FILE* out, HostEngine& engine, bool numberTaskRows = false);
void printSectionHeader(std::FILE* out, HostEngine& engine, const std::string& what, bool json);

}  // namespace kestrel::tool
