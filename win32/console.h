// Console programs' input and output as UTF-8.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Writes UTF-8 text to a standard handle (STD_OUTPUT_HANDLE, STD_ERROR_HANDLE): through the
// console's wide call when it is a console, so that any script shows, else as the bytes they are.
void WriteUtf8(DWORD standardHandle, const std::string& text);

// The program's arguments, without the program's name, as UTF-8.
std::vector<std::string> CommandLineArguments();

// Runs a console program's body with its arguments and returns its exit code; a failure that
// escapes it is printed to standard error after `failurePrefix`, and the code is 1.
int RunConsoleProgram(int (*run)(const std::vector<std::string>& args),
                      const std::string& failurePrefix);
