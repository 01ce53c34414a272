// A SQLite VFS that counts the syncs (fsyncs) of every database and journal
// file the process opens, so that a benchmark can report fsyncs per key. It
// wraps the default VFS and registers itself as the new default, so that
// every connection opened afterwards with no VFS named (the data layer's
// among them) goes through it.
//
// Threading: InstallSyncCountingVfs once, before any database is opened;
// SyncCount may be read from any thread (the counter is atomic).
// Errors: InstallSyncCountingVfs raises std::runtime_error when SQLite has no
// default VFS or refuses the registration.
//
// What is counted: each xSync call on an open file (a commit's WAL or journal
// sync, a checkpoint's database sync). A directory sync that the default VFS
// makes inside xOpen or xDelete is not an xSync and is not counted.
#pragma once

#include <cstdint>

namespace orv::bench {

// Registers the counting VFS as the default. A second call does nothing.
void InstallSyncCountingVfs();

// xSync calls so far through the counting VFS (0 before it is installed).
std::uint64_t SyncCount();

}  // namespace orv::bench
