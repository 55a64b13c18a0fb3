#include "shell/elevated_step.h"

#include "win32/handles.h"
#include "win32/text.h"

#include <shellapi.h>

#include <cstdint>
#include <cstring>

namespace {

// The shared block: the request, then the answer, each a 32-bit length and that many bytes.
constexpr uint32_t RequestRoom = uint32_t(1) << 20;
constexpr uint32_t AnswerRoom = uint32_t(4) << 20;
constexpr uint32_t AnswerOffset = sizeof(uint32_t) + RequestRoom;
constexpr uint32_t BlockSize = AnswerOffset + sizeof(uint32_t) + AnswerRoom;

using TMapping = TKernelHandle;
struct TViewTraits {
    using Handle = void*;
    static Handle Invalid() { return nullptr; }
    static void Free(Handle view) { UnmapViewOfFile(view); }
};
using TView = TOwned<TViewTraits>;

void Put(unsigned char* at, const std::string& text) {
    const uint32_t length = static_cast<uint32_t>(text.size());
    std::memcpy(at, &length, sizeof length);
    std::memcpy(at + sizeof length, text.data(), text.size());
}

std::string Take(const unsigned char* at, uint32_t room) {
    uint32_t length = 0;
    std::memcpy(&length, at, sizeof length);
    return std::string(reinterpret_cast<const char*>(at + sizeof length),
                       length <= room ? length : 0);
}

// Waits for the process to end; with a window, its messages are handled meanwhile, so that it
// repaints under the shell's dialogs.
void WaitFor(HANDLE process, HWND owner) {
    if (!owner) {
        WaitForSingleObject(process, INFINITE);
        return;
    }
    while (MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT) ==
           WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

} // namespace

TElevatedRun RunElevatedProgram(HWND owner, const std::string& program,
                                const std::string& request) {
    if (request.size() > RequestRoom)
        return {ErrorInvalidData, ""};
    const std::wstring name = L"Local\\Orvane.AllUsersStep." +
                              std::to_wstring(GetCurrentProcessId()) + L"." +
                              std::to_wstring(GetTickCount64());
    const TMapping mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                              BlockSize, name.c_str()));
    if (!mapping)
        return {static_cast<unsigned>(GetLastError()), ""};
    // A block of that name made by someone else first is not this one.
    if (GetLastError() == ERROR_ALREADY_EXISTS)
        return {ERROR_ALREADY_EXISTS, ""};
    const TView view(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, BlockSize));
    if (!view)
        return {static_cast<unsigned>(GetLastError()), ""};
    auto* block = static_cast<unsigned char*>(view.get());
    Put(block, request);
    Put(block + AnswerOffset, std::string());

    const std::wstring file = Widen(program);
    const std::wstring parameters = Widen(std::string(ElevatedStepOption)) + L" " + name;
    SHELLEXECUTEINFOW info{sizeof(info)};
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.hwnd = owner;
    info.lpVerb = L"runas";
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info))
        return {static_cast<unsigned>(GetLastError()), ""};
    if (!info.hProcess)
        return {ERROR_INVALID_HANDLE, ""};
    const TKernelHandle process(info.hProcess);
    WaitFor(process.get(), owner);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.get(), &exitCode);
    if (exitCode != 0)
        return {ErrorInvalidData, ""};
    return {0, Take(block + AnswerOffset, AnswerRoom)};
}

int ServeElevatedRequest(const std::string& name,
                         const std::function<std::string(const std::string& request)>& serve) {
    const TMapping mapping(
        OpenFileMappingW(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, Widen(name).c_str()));
    if (!mapping)
        return 1;
    const TView view(MapViewOfFile(mapping.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, BlockSize));
    if (!view)
        return 1;
    auto* block = static_cast<unsigned char*>(view.get());
    // What the block says is only a request: the step checks every name in it.
    const std::string answer = serve(Take(block, RequestRoom));
    if (answer.size() > AnswerRoom)
        return 1;
    Put(block + AnswerOffset, answer);
    return 0;
}
