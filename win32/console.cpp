#include "win32/console.h"

#include "win32/handles.h"
#include "win32/text.h"

#include <shellapi.h>

#include <exception>

void WriteUtf8(DWORD standardHandle, const std::string& text) {
    const HANDLE handle = GetStdHandle(standardHandle);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = Widen(text);
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
        WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
}

std::vector<std::string> CommandLineArguments() {
    int count = 0;
    const TLocalMemory<wchar_t**> argv(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::string> args;
    for (int i = 1; argv && i < count; ++i)
        args.push_back(Narrow(argv.get()[i]));
    return args;
}

int RunConsoleProgram(int (*run)(const std::vector<std::string>& args),
                      const std::string& failurePrefix) {
    try {
        return run(CommandLineArguments());
    } catch (const std::exception& error) {
        WriteUtf8(STD_ERROR_HANDLE, failurePrefix + error.what() + "\n");
        return 1;
    }
}
