#include "database/FWExceptionReport.h"

#include <cxxabi.h>
#include <execinfo.h>

#include <cstdlib>
#include <typeinfo>

#include "database/FWDBRecords.h"

std::string FWExceptionName(const std::exception& e) {
  if (auto db = dynamic_cast<const FWDBException*>(&e)) return db->name;
  int status = 0;
  char* demangled = abi::__cxa_demangle(typeid(e).name(), nullptr, nullptr, &status);
  std::string name = status == 0 && demangled ? demangled : typeid(e).name();
  std::free(demangled);
  return name;
}

std::string FWCallStackDescription() {
  void* frames[32];
  int count = backtrace(frames, 32);
  char** symbols = backtrace_symbols(frames, count);
  std::string text = "(";
  for (int i = 0; i < count; ++i) {
    text += "\n    ";
    text += symbols ? symbols[i] : "?";
  }
  std::free(symbols);
  return text + "\n)";
}
