// Completions Taskwell has not taken over yet, re-applied to every new private copy.
//
// Completing a task writes the private copy and appends the task's link to the pasteboard
// "net.norvale.taskwell.tasksCompleted", which Taskwell empties once it has completed the
// tasks itself. Until then a new copy of Taskwell's database (after any unrelated write)
// would show the task again; so each new copy, before it is put in place, marks every task
// still linked on the pasteboard complete. Only links of this database's store and of the
// task entity count; the key is bound as an integer, never spliced into SQL.
#pragma once

#include "database/FWDatabase.h"

class FWApplication;

// Marks the tasks linked on the completed-tasks pasteboard complete in `copy` (those not
// complete already), now. Answers how many rows it changed.
int TWTaskApplyPendingCompletions(FWDBConnection copy, FWApplication* application);

// Has every new copy of the record's database re-apply the pending completions.
void TWTaskInstallPendingCompletions(FWApplication* application);
