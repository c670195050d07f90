// What an exception report shows of a caught exception: its name and the handler's call
// stack. The readers and the list builders put both into the controller's message box.
//
// FWExceptionName answers the name a database error carries, else the exception's
// demangled type name. FWCallStackDescription lists the frames of its caller, one per line
// in parentheses; the throwing frames are gone by the time a handler runs, so it shows where
// the exception was caught. Both are thread-safe and never throw on their own account.
#pragma once

#include <exception>
#include <string>

std::string FWExceptionName(const std::exception& e);
std::string FWCallStackDescription();
