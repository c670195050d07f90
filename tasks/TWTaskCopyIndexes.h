// The index the task queries need on the private copy.
//
// Every task list, search and context count filters on "T.ZCOMPLETEDDATE is null". In a
// store of some years nearly every task is complete, and without an index the query reads
// the whole task table. A partial index holds only the open tasks, so it costs one pass
// over the table to make on each new copy and serves both shapes: the list (the open
// tasks) and the context counts (the open tasks of one context).
// Where many tasks are open the index does not pay: reading the open tasks through it is
// slower than a scan (SQLite stops choosing it for the list above about 1.5% open), and
// making it costs more the more it holds. So each new copy is sampled first, and the index
// is made only when at most kTWTaskOpenIndexMaxShare of the sample is open. Statistics (a
// sampled pass over the task table's indexes, an exact one over the new index) let SQLite
// weigh it. Everything else the queries join on has Core Data's indexes or row keys.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "database/FWDatabase.h"

class FWApplication;

// The statements run on each new copy that takes the index, in order.
const std::vector<std::string>& TWTaskCopyIndexes();

// Open tasks among runs of consecutive rows spread evenly over the task table's keys: a
// few dozen seeks, whatever the table's size, so a store where most tasks are open costs
// as little to sample as one where few are. A table of up to about 2,000 keys is read whole.
struct TWTaskOpenSample {
  int64_t tasks = 0;  // rows sampled
  int64_t open = 0;   // of which open
};
// None when the table cannot be read (a store without it, or a damaged copy).
std::optional<TWTaskOpenSample> TWTaskSampleOpenTasks(FWDBConnection copy);

// Up to this share of open tasks the index is made.
inline constexpr double kTWTaskOpenIndexMaxShare = 0.02;
bool TWTaskOpenIndexPays(const TWTaskOpenSample& sample);

// Has every new copy of the record's database carry the index where it pays.
void TWTaskInstallCopyIndexes(FWApplication* application);
