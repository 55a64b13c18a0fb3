// The platform operations the rest of Orvane relies on. Platform-free: callers see UTF-8 texts and
// opaque handles; shell/windows_shell.* is the Windows implementation.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// The application title: the caption of the main window and of every message.
constexpr const char* ApplicationTitle = "Orvane";

// Shell folder identifiers (CSIDL values).
constexpr int CSIDL_PROGRAMS_ID = 2;
constexpr int CSIDL_STARTUP_ID = 7;
constexpr int CSIDL_COMMON_PROGRAMS_ID = 23;
constexpr int CSIDL_COMMON_STARTUP_ID = 24;
constexpr int CSIDL_LOCAL_APPDATA_ID = 28; // the user's local application data
constexpr int CSIDL_ALTSTARTUP_ID = 29;    // the non-localized startup folder
constexpr int CSIDL_COMMON_ALTSTARTUP_ID = 30;
constexpr int CSIDL_COMMON_ADMINTOOLS_ID = 47;
constexpr int CSIDL_ADMINTOOLS_ID = 48;
// The shell's own folders that may lie in a Programs folder: the startup folders (the user's and
// the all-users', and their alternate, non-localized forms) and the administrative tools.
constexpr int ShellOwnFolderIds[] = {CSIDL_STARTUP_ID,           CSIDL_COMMON_STARTUP_ID,
                                     CSIDL_ALTSTARTUP_ID,        CSIDL_COMMON_ALTSTARTUP_ID,
                                     CSIDL_COMMON_ADMINTOOLS_ID, CSIDL_ADMINTOOLS_ID};

// The system's error codes that Orvane tells apart (the values of Windows' ERROR_... codes), and
// the shell's own code for a source it may not touch.
enum TOsError : unsigned {
    ErrorFileNotFound = 2,
    ErrorPathNotFound = 3,
    ErrorAccessDenied = 5,
    ErrorInvalidData = 13,
    ErrorFileExists = 80,
    ErrorDirNotEmpty = 145,
    ErrorAlreadyExists = 183,
    ErrorCancelled = 1223,
    ShellAccessDeniedSource = 0x78, // DE_ACCESSDENIEDSRC
};

// Folders located from the machine's own settings, never from the user's: what the all-users step,
// which runs with administrator rights, may rely on.
enum class TMachineFolder {
    CommonPrograms, // the all-users Programs folder
    CommonStartup,  // the all-users startup folder
    CommonAdminTools,
    ProgramData, // the machine's application data
};

// What a folder that only administrators may change is found to be.
enum class TAdminFolder {
    Ready,        // there, or made now, and only administrators (and the system) may change it
    Link,         // a folder link: it leads somewhere else
    ForeignOwner, // someone else owns it, who may have changed it
    Failed,       // it could not be made or examined (the OS code says why)
};

// The desktop.ini sections and key through which the shell names entries in the user's language:
// a folder's own name, and the names of the files a folder holds.
constexpr const char* FolderInfoSection = ".ShellClassInfo";
constexpr const char* FolderNameKey = "LocalizedResourceName";
constexpr const char* FileNamesSection = "LocalizedFileNames";

// The attribute mask that lists every kind of entry: read-only, hidden, system, volume label,
// directory and archive.
constexpr unsigned ListAllAttributes = 63;

// The attributes of a listed name that Orvane reads (the values of Windows' FILE_ATTRIBUTE_...).
enum TFileAttribute : unsigned {
    ReadOnlyAttribute = 0x1,
    SystemAttribute = 0x4,
    DirectoryAttribute = 0x10,
};

// A name a folder listing returns, with the attributes the listing gives it.
struct TListedName {
    std::string Name;
    unsigned Attributes = 0; // TFileAttribute bits, and others
};

enum class ShellOp { Move = 1, Copy = 2 };

// A file opened for appending, written through its handle; closed with this object.
class TAppendFile {
public:
    virtual ~TAppendFile() = default;
    // Appends a UTF-8 text and flushes it to the disk. Returns the OS error code, 0 on success.
    [[nodiscard]] virtual unsigned Append(const std::string& text) = 0;
};

// What came of asking for the all-users step with administrator rights.
struct TElevatedRun {
    unsigned Code = 0;    // 0: the step ran; ErrorCancelled: the user declined; else why not
    std::string Response; // what the step answered
};

struct [[nodiscard]] ShellOpResult {
    unsigned Code = 0;    // what the shell operation returned; 0 is success
    bool Aborted = false; // the user cancelled some part of the operation
    bool Succeeded() const { return Code == 0 && !Aborted; }
};

// An I/O error carrying the OS error code, raised when a folder cannot be created.
class EInOutError : public std::runtime_error {
public:
    explicit EInOutError(int code);
    int Code() const { return code_; }

private:
    int code_;
};

class ShellServices;

// What a folder holds, as its listing returns it with each entry's attributes, without "." and
// "..".
std::vector<TListedName> EntriesIn(ShellServices& shell, const std::string& folder);
// The same, the names alone.
std::vector<std::string> NamesIn(ShellServices& shell, const std::string& folder);

// Says whether a shell copy or move was done. A failure shows the code the operation returned; a
// cancel by the user shows nothing, but still counts as not done.
[[nodiscard]] bool ReportShellResult(ShellServices& shell, const ShellOpResult& result);

// Whether a move the shell reported as done really happened: the entry is at `to` and no longer at
// `from`. (Wine's shell, for one, reports a move it was refused as done.)
[[nodiscard]] bool MoveHappened(ShellServices& shell, const std::string& from,
                                const std::string& to);

// Opens a link or document for the user: through the desktop shell when this process is elevated,
// so that the mail program or browser does not run with administrator rights too; as the shell
// opens it otherwise, or when the desktop shell cannot be reached.
void OpenLink(ShellServices& shell, const std::string& target);

// The text that the standard error box shows for an I/O error code.
std::string IoErrorText(int code);

// The standard error box's text: "." is appended unless the text already ends with "." or with a
// character that sorts before it.
std::string ErrorBoxText(const std::string& text);

// An entry's small icon as the shell has it: an image in the shell's small icon list, and whether
// the entry is a shortcut, which is drawn with the link overlay.
struct ItemIconInfo {
    int Image = -1; // -1: the shell has no icon for the entry
    bool IsLink = false;
};

// What a shortcut says of its target, read through the shell.
struct TShortcutInfo {
    std::string Target;        // the target's path; empty for a shell item that is not a file
    std::string Arguments;     // its command-line arguments
    std::string WorkingFolder; // the folder it starts in
    std::string Comment;       // its description, shown as the tip
    std::string Url;           // an internet shortcut's (.url) address; empty for a .lnk
    bool Advertised = false;   // an installer's advertised shortcut: it starts its product's
                               // installation, not a file
};

// What can be told of a shortcut's target path.
enum class TTargetState {
    Present,
    Missing, // on a drive that is there, fixed and readable now, and not on it
    Unknown, // anything else: a network share, a removable disk, a missing or locked drive
};

// What an executable's version resource says of it; empty where it has no such text.
struct TVersionInfo {
    std::string FileDescription;
    std::string ProductName;
};

class ShellServices {
public:
    virtual ~ShellServices() = default;

    // The shell folder's path without a trailing "\", or nothing if it cannot be located.
    virtual std::optional<std::string> GetSpecialFolder(int csidl) = 0;
    // Every name the directory listing of `pattern` returns, "." and ".." included; a listing
    // that cannot be opened yields no names.
    virtual std::vector<std::string> ListFolder(const std::string& pattern,
                                                unsigned attributes) = 0;
    // The same listing with each name's attributes.
    virtual std::vector<TListedName> ListFolderWithAttributes(const std::string& pattern,
                                                              unsigned attributes) = 0;
    // True only for an existing directory. A trailing "\" is accepted.
    virtual bool FolderExists(const std::string& path) = 0;
    // Creates one directory level; throws EInOutError with the OS code on failure.
    virtual void CreateFolder(const std::string& path) = 0;
    // True when a file or folder is at `path`.
    virtual bool PathExists(const std::string& path) = 0;
    // Removes a folder that holds nothing; a folder with anything in it stays. Returns the OS
    // error code, 0 on success.
    [[nodiscard]] virtual unsigned RemoveFolder(const std::string& path) = 0;
    // Copies or moves one path (wildcards allowed in `from`) with the shell's own dialogs.
    virtual ShellOpResult ShellFileOperation(ShellOp op, const std::string& from,
                                             const std::string& to) = 0;
    // The path spelled so that two spellings of one folder compare equal (full, with long names
    // where it exists, in one letter case). For comparing folders; never shown or opened.
    virtual std::string ComparablePath(const std::string& path) = 0;
    // A name in one letter case, as the file system compares names (Cyrillic included).
    virtual std::string FoldedName(const std::string& name) = 0;
    // The key=value lines of a section of `folder`'s desktop.ini, in file order; none when the
    // folder is not marked (read-only or system) as one whose desktop.ini the shell reads.
    virtual std::vector<std::pair<std::string, std::string>>
    DesktopIniSection(const std::string& folder, const std::string& section) = 0;
    // The text a desktop.ini name value stands for: "@module,-id" (environment variables allowed)
    // is looked up in the module's string resources; any other value is the text itself. Nothing
    // when it cannot be resolved.
    virtual std::optional<std::string> ResolveLocalizedName(const std::string& value) = 0;
    // Writes a key=value line into `folder`'s desktop.ini as the shell does: a new file is UTF-16
    // with a byte-order mark, other lines are kept, the file is hidden and system, and the folder
    // is marked as one whose desktop.ini the shell reads. Returns the OS error code, 0 on success.
    [[nodiscard]] virtual unsigned WriteDesktopIni(const std::string& folder,
                                                   const std::string& section,
                                                   const std::string& key,
                                                   const std::string& value) = 0;
    // Removes the `key` line from a section of `folder`'s desktop.ini, and the section once it
    // holds nothing; with `removeEmptyFile`, the file too once nothing is left in it. Every other
    // line stays. Returns the OS error code, 0 on success (also when there was no such line).
    [[nodiscard]] virtual unsigned RemoveDesktopIniLine(const std::string& folder,
                                                        const std::string& section,
                                                        const std::string& key,
                                                        bool removeEmptyFile) = 0;
    // Opens a file for appending; with `createNew` the file is created, and must not exist yet,
    // else it must exist. A file that is a link (to another file) is refused. Nothing on failure,
    // and `code` says why.
    virtual std::unique_ptr<TAppendFile> OpenForAppend(const std::string& path, bool createNew,
                                                       unsigned& code) = 0;
    // A file's whole content; nothing when it cannot be read.
    virtual std::optional<std::string> ReadTextFile(const std::string& path) = 0;
    // A file's size in bytes; nothing for a folder or a path that cannot be read.
    virtual std::optional<uint64_t> FileSize(const std::string& path) = 0;
    // True when `path` is a folder link (a junction or symbolic link, any reparse point): going
    // through it leads somewhere else.
    virtual bool IsFolderLink(const std::string& path) = 0;
    // What a shortcut (.lnk) or internet shortcut (.url) points at; nothing for any other file or
    // one that cannot be read. Safe on any thread (it sets up COM for itself where needed).
    virtual std::optional<TShortcutInfo> ReadShortcut(const std::string& path) = 0;
    // Whether a shortcut's target path (environment variables allowed) is there. Only a path on a
    // drive that is present, fixed and readable now is ever told Missing; a network path, a
    // removable disk, a drive that is not there or does not answer is Unknown.
    virtual TTargetState ProbeTarget(const std::string& path) = 0;
    // Whether the Start menu shows one folder level only (Windows 10 and later), so that a group
    // moved into a category shows its items loose there.
    virtual bool StartMenuShowsOneLevel() = 0;
    // The version resource texts of an executable, in the first language it lists.
    virtual TVersionInfo ReadVersionInfo(const std::string& path) = 0;
    // Tells the shell that a folder's content changed, and waits until it has been told, so that
    // the Start menu shows the change at once.
    virtual void NotifyFolderChanged(const std::string& folder) = 0;
    // The image list ItemIcon's images are in: the shell's own cache, shared by every user and
    // never destroyed by them (an HIMAGELIST on Windows).
    virtual void* SmallIconList() = 0;
    // The overlay (1 to 15) of the link arrow in SmallIconList; 0 when the shell has none.
    virtual int LinkOverlay() = 0;
    // The entry's small icon. Called from the icon thread, whose COM is initialised; a shortcut
    // is told by the shell's link attribute, not by its type's translated name.
    virtual ItemIconInfo ItemIcon(const std::string& path) = 0;
    // Opens a link or document with its default program.
    virtual void OpenInShell(const std::string& target) = 0;
    // Whether this process runs with raised administrator rights (an elevated token).
    virtual bool IsElevated() = 0;
    // Starts this program again with administrator rights (Windows asks the user) to run the
    // all-users step on `request`, and waits for its answer.
    virtual TElevatedRun RunElevatedStep(const std::string& request) = 0;
    // A folder of the machine's own settings; nothing when it cannot be located.
    virtual std::optional<std::string> MachineFolder(TMachineFolder folder) = 0;
    // Makes `path` where it is missing, as a folder administrators and the system may change and
    // users only read, and says whether it is such a folder: not a link, owned by administrators
    // or the system. `code` is the OS code when it is Failed.
    virtual TAdminFolder PrepareAdminFolder(const std::string& path, unsigned& code) = 0;
    // Opens a link or document through the desktop shell, which starts its program with the
    // user's own rights; false when the desktop shell cannot be reached.
    virtual bool OpenThroughDesktopShell(const std::string& target) = 0;
    // A modal message with one OK button and the application title as caption.
    virtual void ShowMessage(const std::string& text) = 0;

    // This process's user account as the system names it, "DOMAIN\name"; empty when it cannot be
    // told.
    virtual std::string UserAccount() = 0;
    // Registers the scheduled task `name` in the scheduler's root folder from its XML definition,
    // replacing any task of that name; it runs as its definition's principal says, with the user's
    // own logon. Returns the system's code (an HRESULT), 0 on success.
    [[nodiscard]] virtual unsigned RegisterTask(const std::string& name,
                                                const std::string& xml) = 0;
    // Removes the scheduled task `name` from the root folder. Returns the system's code, 0 on
    // success and when there was no such task.
    [[nodiscard]] virtual unsigned RemoveTask(const std::string& name) = 0;
    // The program the scheduled task `name` runs: its first program action's path as stored
    // (quotes included), empty when it has none. Nothing when there is no such task or the
    // scheduler cannot be asked.
    virtual std::optional<std::string> TaskProgram(const std::string& name) = 0;
};
