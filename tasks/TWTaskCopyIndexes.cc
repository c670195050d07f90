#include "tasks/TWTaskCopyIndexes.h"

#include "database/FWDBCopyIndexes.h"
#include "runtime/FWApplication.h"

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

void TWTaskInstallCopyIndexes(FWApplication* application) {
  FWDBSetCopyIndexer(application, [](FWDBConnection copy, FWApplication* app) {
    FWDBCreateCopyIndexes(copy, TWTaskCopyIndexes(), app ? app->resourceName() : "FWCommon");
  });
}
