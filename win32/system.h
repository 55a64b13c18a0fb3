// Where the running program and the system are.
#pragma once

#include "win32/handles.h"

#include <string>

// The running executable's own file, as the system reports it.
std::string ExecutablePath();

// The folder of the running executable's own file, as the system reports it, ending in "\".
std::string ExecutableFolder();

// A text with its %VARIABLES% expanded from the environment; the text itself if that fails.
std::string ExpandEnvironment(const std::string& text);

// Replaces this process's environment with the machine's own variables (those of no user): an
// elevated process inherits the user's, which the user, or any program of the user's, may set.
// When the machine's cannot be read, the process is left with no variables at all.
void UseMachineEnvironment();

// Keeps DLLs from being taken from the program's folder or the current directory: from here on
// the system loads DLLs from System32 alone (SetDefaultDllDirectories, where the system has it;
// Windows 7 without its update lacks it, and then the current directory is taken out of the
// search). Call it first thing, before any DLL outside the import table is loaded.
void RestrictDllSearch();

// Where Windows offers it (Windows 10 2004 and later, looked up at run time), refuses to follow
// folder links that someone other than an administrator created: a link a program of the user's
// planted in a folder Orvane works in does not lead it elsewhere.
void EnforceRedirectionTrust();

// Loads from System32, by full path, the system DLLs outside the KnownDLLs that Windows' own DLLs
// load by name (the theme library, the desktop window manager's, ...), those that exist, so that
// such a later load finds them loaded and does not search the program's folder. Call it right
// after RestrictDllSearch; they stay loaded.
void PreloadSystemLibraries();

// A system DLL from System32 and nowhere else; empty when it is not there.
TModule LoadSystemLibrary(const wchar_t* name);

// A function of a module, as the function pointer type `F`; null when the module or function is
// missing.
template <class F> F ProcedureOf(HMODULE module, const char* name) {
    FARPROC proc = module ? GetProcAddress(module, name) : nullptr;
    // Through void(*)(): the one function pointer type any other may be cast from cleanly.
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(proc));
}
