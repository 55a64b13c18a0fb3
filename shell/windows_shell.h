// ShellServices on the Windows shell and file system, through the wide (W) calls.
#pragma once

#include "shell/shell_services.h"

#include <windows.h>

class WindowsShell : public ShellServices {
public:
    // The window that owns the shell's dialogs and the opened links; none until the main window
    // exists.
    void SetOwnerWindow(HWND owner) { owner_ = owner; }
    // The program started with administrator rights for the all-users step: this program, unless
    // another is named (a test names the catalogue tool).
    void SetStepProgram(std::string program) { stepProgram_ = std::move(program); }
    // Quiet, for runs nobody watches (the re-apply at logon): moves go straight to the file
    // system, which never asks and never overwrites, and no message box is shown.
    void SetQuiet(bool quiet) { quiet_ = quiet; }

    std::optional<std::string> GetSpecialFolder(int csidl) override;
    std::vector<std::string> ListFolder(const std::string& pattern, unsigned attributes) override;
    std::vector<TListedName> ListFolderWithAttributes(const std::string& pattern,
                                                      unsigned attributes) override;
    bool FolderExists(const std::string& path) override;
    void CreateFolder(const std::string& path) override;
    bool PathExists(const std::string& path) override;
    unsigned RemoveFolder(const std::string& path) override;
    ShellOpResult ShellFileOperation(ShellOp op, const std::string& from,
                                     const std::string& to) override;
    std::string ComparablePath(const std::string& path) override;
    std::string FoldedName(const std::string& name) override;
    std::vector<std::pair<std::string, std::string>>
    DesktopIniSection(const std::string& folder, const std::string& section) override;
    std::optional<std::string> ResolveLocalizedName(const std::string& value) override;
    unsigned WriteDesktopIni(const std::string& folder, const std::string& section,
                             const std::string& key, const std::string& value) override;
    unsigned RemoveDesktopIniLine(const std::string& folder, const std::string& section,
                                  const std::string& key, bool removeEmptyFile) override;
    std::unique_ptr<TAppendFile> OpenForAppend(const std::string& path, bool createNew,
                                               unsigned& code) override;
    std::optional<std::string> ReadTextFile(const std::string& path) override;
    std::optional<uint64_t> FileSize(const std::string& path) override;
    bool IsFolderLink(const std::string& path) override;
    std::optional<TShortcutInfo> ReadShortcut(const std::string& path) override;
    TVersionInfo ReadVersionInfo(const std::string& path) override;
    TTargetState ProbeTarget(const std::string& path) override;
    bool StartMenuShowsOneLevel() override;
    void NotifyFolderChanged(const std::string& folder) override;
    void* SmallIconList() override;
    int LinkOverlay() override;
    ItemIconInfo ItemIcon(const std::string& path) override;
    void OpenInShell(const std::string& target) override;
    bool IsElevated() override;
    TElevatedRun RunElevatedStep(const std::string& request) override;
    std::optional<std::string> MachineFolder(TMachineFolder folder) override;
    TAdminFolder PrepareAdminFolder(const std::string& path, unsigned& code) override;
    bool OpenThroughDesktopShell(const std::string& target) override;
    void ShowMessage(const std::string& text) override;
    std::string UserAccount() override;
    unsigned RegisterTask(const std::string& name, const std::string& xml) override;
    unsigned RemoveTask(const std::string& name) override;
    std::optional<std::string> TaskProgram(const std::string& name) override;

private:
    HWND owner_ = nullptr;
    std::string stepProgram_;
    bool quiet_ = false;
};
