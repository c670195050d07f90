// One lock for every descriptor this process opens on the companion's database files.
//
// POSIX record locks belong to the process, not to the descriptor: closing *any*
// descriptor of a file drops every lock the process holds on it, the read lock of a
// snapshot's pinning connection included. Without that lock a writer in another process
// could checkpoint into the main file while it is being copied, or delete its log on
// close. So whoever opens one of the source's files (state, header check, snapshot) holds
// this lock from before the open until after the close; the snapshot holds it for as long
// as its pinning connection lives. Recursive, so a holder may call the other readers.
#pragma once

#include <mutex>

std::unique_lock<std::recursive_mutex> FWDBLockSourceFiles();
