// The safe-write path's temporary files: their names, the removal of those a dead process
// left behind, and their removal when a signal ends the process.
#pragma once

#include <string>
#include <string_view>

namespace tegulo {

// The pattern for mkostemp of a temporary for `target` in `folder`:
// "<folder>/.tegulo-<pid>-<name>-XXXXXX", the target's file name cut to 64 bytes.
std::string TemporaryPattern(const std::string& folder, std::string_view target);

// Removes the temporaries of `target` in `folder` whose writing process no longer runs. Those
// of a running process, this one included, are left alone, as is a process the system will
// not tell about. Best effort: a folder that cannot be read is passed over.
void RemoveDeadTemporaries(const std::string& folder, std::string_view target);

// Puts a temporary on the list that SIGTERM, SIGHUP and SIGINT remove before the process
// ends as the signal would end it (handlers are set on first use, for the signals whose
// action is still the default one). Returns its place, or -1 when the list is full.
int WatchTemporary(const std::string& path);
// Takes it off the list again (-1 is ignored).
void ForgetTemporary(int slot);

}  // namespace tegulo
