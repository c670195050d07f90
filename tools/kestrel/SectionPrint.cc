#include "tools/kestrel/SectionPrint.h"

#include "tools/kestrel/CommandLine.h"
#include "tools/kestrel/Json.h"
#include "tools/kestrel/RowCell.h"
#include "tools/kestrel/RowOutput.h"

namespace kestrel::tool {

void printSection(std::FILE* out, HostEngine& engine, bool json, const std::string& section) {
  std::vector<Ref<KSData>> rows;
  std::vector<RowDisplay> displays;
  for (const auto& shown : engine.rowViews(HostEngine::kRowWidth)) {
    auto cell = makeRowCell(shown, HostEngine::kRowWidth);
    rows.push_back(shown.row);
    displays.push_back({shown.height, drawnTextsOf(*cell)});
  }
  if (json)
    printRowsJson(out, rows, displays, section);
  else
    printRowsText(out, rows, displays);
}

void printSectionAsShown(std::FILE* out, HostEngine& engine, bool numberTaskRows) {
  int taskRow = 0;
  auto text = [](const std::optional<std::string>& t) { return t ? printable(*t) : std::string(); };
  for (const auto& shown : engine.rowViews(HostEngine::kRowWidth)) {
    auto cell = makeRowCell(shown, HostEngine::kRowWidth);
    KSDrawnTexts texts = drawnTextsOf(*cell);
    const std::string summary = text(texts.summary), highlight = text(texts.highlight), detail = text(texts.detail);
    if (texts.heading) std::fprintf(out, "%s\n", headingLine(*texts.heading).c_str());
    if (summary.empty() && highlight.empty() && detail.empty()) {
      std::fprintf(out, "  %s\n", printable(shown.row->uniqueID).c_str());
    } else if (shown.row->type() != 0) {
      // Status and message rows: the caption, with the badge after it.
      std::string line = summary;
      if (!detail.empty()) line += (line.empty() ? "" : " \xE2\x80\x94 ") + detail;
      if (!highlight.empty()) line += (line.empty() ? "(" : "  (") + highlight + ")";
      std::fprintf(out, "  %s\n", line.c_str());
    } else {
      if (numberTaskRows)
        std::fprintf(out, "%2d. %s\n", ++taskRow, summary.c_str());
      else
        std::fprintf(out, "\xE2\x80\xA2 %s\n", summary.c_str());
      std::string second = highlight;
      if (!second.empty() && !detail.empty()) second += "  ";
      second += detail;
      if (!second.empty()) std::fprintf(out, "    %s\n", second.c_str());
    }
  }
}

void printSectionHeader(std::FILE* out, HostEngine& engine, const std::string& what, bool json,
                        const std::string& section) {
  std::string title, detail;
  if (auto info = engine.sectionInfo(); info && info.value()) {
    title = info.value()->title;
    detail = info.value()->detail;
  }
  if (json) {
    std::string sectionField = section.empty() ? "" : ",\"section\":" + jsonString(section);
    std::fprintf(out, "{\"step\":%s%s,\"title\":%s,\"detail\":%s}\n", jsonString(what).c_str(),
                 sectionField.c_str(), jsonString(title).c_str(), jsonString(detail).c_str());
    return;
  }
  std::string line = "== " + printable(what);
  if (!section.empty())
    line += " \xE2\x80\x94 " + printable(section) + ":" + (title.empty() ? "" : " " + printable(title));
  else if (!title.empty())
    line += " \xE2\x80\x94 " + printable(title);
  if (!detail.empty()) line += " (" + printable(detail) + ")";
  std::fprintf(out, "%s ==\n", line.c_str());
}

void printSessionRows(std::FILE* out, PluginSession& session, bool json) {
  if (!session.hasSeveralSections()) {
    printSection(out, session.engine(), json);
    return;
  }
  for (auto& section : session.sections()) {
    if (!json) {
      std::string title, detail;
      if (auto info = section.engine->sectionInfo(); info && info.value()) {
        title = info.value()->title;
        detail = info.value()->detail;
      }
      std::string line = "== " + printable(section.name) + ":";
      if (!title.empty()) line += " " + printable(title);
      if (!detail.empty()) line += " (" + printable(detail) + ")";
      std::fprintf(out, "%s ==\n", line.c_str());
    }
    printSection(out, *section.engine, json, section.name);
  }
}

void printSessionStep(std::FILE* out, PluginSession& session, const std::string& what, bool json,
                      bool numberTaskRows) {
  const bool several = session.hasSeveralSections();
  bool first = true;
  for (auto& section : session.sections()) {
    const std::string name = several ? section.name : std::string();
    printSectionHeader(out, *section.engine, what, json, name);
    if (json)
      printSection(out, *section.engine, true, name);
    else
      // Task rows are numbered in the section the steps touch.
      printSectionAsShown(out, *section.engine, numberTaskRows && first);
    first = false;
  }
}

}  // namespace kestrel::tool
