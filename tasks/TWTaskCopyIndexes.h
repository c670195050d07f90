// The index the task queries need on the private copy.
//
// Every task list, search and context count filters on "T.ZCOMPLETEDDATE is null". In a
// store of some years nearly every task is complete, and without an index the query reads
// the whole task table. A partial index holds only the open tasks, so it costs one pass
// over the table to make on each new copy and serves both shapes: the list (the open
// tasks) and the context counts (the open tasks of one context).
// Where most tasks are open a scan is cheaper than the index; statistics (a sampled pass
// over the task table's indexes, an exact one over the new index) let SQLite tell the two
// cases apart. Everything else the queries join on has Core Data's indexes or row keys.
#pragma once

#include <string>
#include <vector>

class FWApplication;

// The statements run on each new copy, in order.
const std::vector<std::string>& TWTaskCopyIndexes();

// Has every new copy of the record's database carry the index.
void TWTaskInstallCopyIndexes(FWApplication* application);
