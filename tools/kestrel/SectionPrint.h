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
//
// The session forms print every section of a PluginSession in order. With one section they
// print exactly what the single-section forms print; with several, text puts the section's
// header line ("== <name>: <title> (<detail>) ==", or the step header naming the section)
// before each section, and JSON adds "section" to every row and header object.
// Main thread only.
#pragma once

#include <cstdio>
#include <string>

#include "platform/host/HostEngine.h"
#include "tools/kestrel/PluginSession.h"

namespace kestrel::tool {

// `section` non-empty: JSON rows carry it as their "section".
void printSection(std::FILE* out, HostEngine& engine, bool json, const std::string& section = {});
// With `numberTaskRows` each task row's summary starts with its 1-based position among
// the task rows.
void printSectionAsShown(std::FILE* out, HostEngine& engine, bool numberTaskRows = false);
void printSectionHeader(std::FILE* out, HostEngine& engine, const std::string& what, bool json,
                        const std::string& section = {});

// `kestrel rows` over every section.
void printSessionRows(std::FILE* out, PluginSession& session, bool json);
// A step header and the section as shown (text) or as rows (JSON), for every section.
void printSessionStep(std::FILE* out, PluginSession& session, const std::string& what, bool json,
                      bool numberTaskRows);

}  // namespace kestrel::tool
