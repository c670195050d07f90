// Is a file safe to hand to SQLite? Checked before SQLite ever opens the companion's own
// database, because SQLite changes files it finds in some states even on a read-only open:
// beside a main file shorter than one page it deletes the write-ahead log. The check reads
// the main file without blocking (a FIFO in its place is refused, not waited on) and never
// writes anything.
#pragma once

#include <optional>
#include <string>

// What is wrong with the database file at `localPath`, as a short text for the message
// row; none when it is a regular file that starts with the SQLite header ("SQLite format 3"
// and a NUL), declares a valid page size and holds at least one whole page.
std::optional<std::string> FWDBSourceFileProblem(const std::string& localPath);
