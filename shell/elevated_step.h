// How the all-users step travels between the program that asks for it and the same program started
// again with administrator rights: through a block of shared memory of the session, named on the
// second program's command line, that holds the request and then the answer. The answer is read
// only after the second program has ended.
#pragma once

#include "shell/shell_services.h"

#include <windows.h>

#include <functional>
#include <string>

// The command-line option that makes a program serve the step.
constexpr const char* ElevatedStepOption = "--all-users-step";

// Starts `program` with administrator rights ("runas": Windows asks the user) to serve `request`,
// and waits for it to end, keeping `owner`'s window painted meanwhile (none: just waits).
TElevatedRun RunElevatedProgram(HWND owner, const std::string& program, const std::string& request);

// Serves the request found in the shared block `name`: hands its text to `serve` and puts what
// that returns in its place. Returns the program's exit code: 0 when the answer was put there.
int ServeElevatedRequest(const std::string& name,
                         const std::function<std::string(const std::string& request)>& serve);
