#include "tasks/TWTaskSQLText.h"

#include "database/FWSQLText.h"

std::string TWTaskSQLIntegerList(const std::vector<int64_t>& keys) {
  std::string list;
  for (int64_t key : keys) {
    if (!list.empty()) list += ',';
    list += std::to_string(key);
  }
  return list;
}

std::string TWTaskSQLLikeContaining(std::string_view text) {
  std::string quoted = FWSQLEscapeString(text);
  if (quoted.find_first_of("%_") == std::string::npos) return "'%" + quoted + "%'";
  std::string escaped;
  escaped.reserve(quoted.size() + 8);
  for (char c : quoted) {
    if (c == '%' || c == '_' || c == '\\') escaped += '\\';
    escaped += c;
  }
  return "'%" + escaped + "%' escape '\\'";
}
