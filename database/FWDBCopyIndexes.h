// Indexes added to a private copy for the plug-in's own queries.
//
// The copy is ours: it may carry indexes that Taskwell's file lacks, as long as the
// companion's tables and rows stay as they are. Each plug-in keeps its list next to its
// queries and installs it with FWDBSetCopyIndexer (FWDatabase.h), or, for an index whose
// build costs more than one read of a new copy wins back, with FWDBSetCopyLaterIndexer: a
// copy read once (a one-shot command) never pays for it, a copy used again (by a host that
// keeps running) pays once. Statements are fixed
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

// Runs `index` on the copy at local path `copy` once it has served a refresh in this process
// (FWDBNoteCopyServed) and unless this process already did so on this very file (the same
// inode: a copy replaced since counts as new). A failing index is not tried again on the
// same file; the queries work without it. Answers whether it ran.
bool FWDBIndexSurvivingCopy(const std::string& copy, const FWDBCopyPreparer& index, FWApplication* application,
                            const std::string& tag);
// The copy at local path `copy` answered a refresh's main query.
void FWDBNoteCopyServedAt(const std::string& copy);
// The copy at `copy` was brought up to date from the log (possibly into a new file): it
// keeps what it served and the indexes it had.
void FWDBKeepCopyMarks(const std::string& copy);
// The copy at `copy` was made anew or removed: its later indexes are due again.
void FWDBForgetCopyIndexed(const std::string& copy);
