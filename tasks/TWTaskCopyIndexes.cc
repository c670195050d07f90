#include "tasks/TWTaskCopyIndexes.h"

#include "database/FWDBCopyIndexes.h"
#include "runtime/FWApplication.h"

namespace {

// kRuns runs of kRunLength keys, evenly spaced from the smallest key to the largest (each
// bound its own subquery, so SQLite reads it off the end of the table's B-tree); where the
// keys are fewer than kRuns * kRunLength the runs shrink to the spacing, so the whole table
// is read and no row is counted twice.
constexpr int kRuns = 64;
constexpr int kRunLength = 32;

const char* sampleSQL() {
  return "with recursive"
         " B(lo, hi) as (select (select min(Z_PK) from ZTWCALTASK), (select max(Z_PK) from ZTWCALTASK)),"
         " K(lo, step) as (select lo, (hi - lo) / ?1 + 1 from B),"
         " R(n) as (select 0 union all select n + 1 from R where n + 1 < ?1)"
         " select count(*), count(*) - count(T.ZCOMPLETEDDATE) from K, R, ZTWCALTASK T"
         " where T.Z_PK >= K.lo + R.n * K.step and T.Z_PK < K.lo + R.n * K.step + min(K.step, ?2)";
}

}  // namespace

const std::vector<std::string>& TWTaskCopyIndexes() {
  static const std::vector<std::string> statements = {
      "create index if not exists TW_OPEN_TASKS on ZTWCALTASK (ZCOMPLETEDDATE, ZCONTEXT) where ZCOMPLETEDDATE is null",
      "pragma analysis_limit=100",
      "analyze ZTWCALTASK",
      "pragma analysis_limit=0",
      "analyze TW_OPEN_TASKS",
  };
  return statements;
}

std::optional<TWTaskOpenSample> TWTaskSampleOpenTasks(FWDBConnection copy) {
  if (!copy) return std::nullopt;
  sqlite3_stmt* statement = nullptr;
  std::optional<TWTaskOpenSample> sample;
  if (sqlite3_prepare_v2(copy, sampleSQL(), -1, &statement, nullptr) == SQLITE_OK &&
      sqlite3_bind_int(statement, 1, kRuns) == SQLITE_OK && sqlite3_bind_int(statement, 2, kRunLength) == SQLITE_OK &&
      sqlite3_step(statement) == SQLITE_ROW)
    sample = TWTaskOpenSample{sqlite3_column_int64(statement, 0), sqlite3_column_int64(statement, 1)};
  sqlite3_finalize(statement);
  return sample;
}

bool TWTaskOpenIndexPays(const TWTaskOpenSample& sample) {
  return static_cast<double>(sample.open) <= kTWTaskOpenIndexMaxShare * static_cast<double>(sample.tasks);
}

void TWTaskInstallCopyIndexes(FWApplication* application) {
  FWDBSetCopyIndexer(application, [](FWDBConnection copy, FWApplication* app) {
    // A table that cannot be sampled goes on to the statements, which log what fails.
    if (auto sample = TWTaskSampleOpenTasks(copy); sample && !TWTaskOpenIndexPays(*sample)) return;
    FWDBCreateCopyIndexes(copy, TWTaskCopyIndexes(), app ? app->resourceName() : "FWCommon");
  });
}
