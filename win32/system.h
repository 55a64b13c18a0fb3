// Where the running program and the system are.
#pragma once

#include <string>

// The folder of the running executable's own file, as the system reports it, ending in "\".
std::string ExecutableFolder();

// A text with its %VARIABLES% expanded from the environment; the text itself if that fails.
std::string ExpandEnvironment(const std::string& text);
