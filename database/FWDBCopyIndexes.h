// Indexes added to a private copy for the plug-in's own queries.
//
// The copy is ours: it may carry indexes that Taskwell's file lacks, as long as the
// companion's tables and rows stay as they are. Each plug-in keeps its list next to its
// queries and installs it with FWDBSetCopyIndexer (FWDatabase.h). Statements are fixed
// texts ("create index if not exists ...", and the "analyze" that lets the planner weigh
// an index), never built from outside input.
#pragma once

#include <string>
#include <vector>

#include "database/FWDatabase.h"

// Runs each statement on `copy`, in one transaction. One that fails (a schema without that
// column) is logged and skipped: the queries still work without it, only slower. Answers
// how many succeeded.
int FWDBCreateCopyIndexes(FWDBConnection copy, const std::vector<std::string>& statements, const std::string& tag);
