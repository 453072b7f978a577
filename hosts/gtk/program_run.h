// Running another program without blocking the window: its output is collected and handed
// over when it ends.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zor::gtk {

// `started` false: the program could not be run (`error` says why). Otherwise its exit status
// and what it printed on its standard output and error.
using ProgramDone = std::function<void(bool started, int status, const std::string& output, const std::string& error)>;

// Runs argv (argv[0] looked up on PATH, no shell); `done` runs later on the main loop, always.
void RunProgram(const std::vector<std::string>& argv, ProgramDone done);

}  // namespace zor::gtk
