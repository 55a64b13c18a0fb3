// orvane-sandbox: fills the two Start-menu Programs folders of a Wine prefix with a fixed sample of
// shortcuts, program groups and awkward names, so that Orvane can be tried and tested on them.
//
// Usage: orvane-sandbox [--clean] [--where] [--allow-windows]
//   --clean          empty both Programs folders before filling them
//   --where          print the two Programs folders (all users first) and change nothing
//   --allow-windows  run even when not under Wine (it rewrites the real Start menu there)
#include "catalogue/catalogue.h"
#include "sandbox_names.h"
#include "support/folders.h"
#include "win32/console.h"
#include "win32/handles.h"
#include "win32/system.h"
#include "win32/text.h"

#include <windows.h>

#include <objidl.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <cstdio>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------
// Failures and output

class Failure : public std::runtime_error {
public:
    explicit Failure(const std::string& what) : std::runtime_error(what) {}
};

std::string SystemMessage(DWORD code) {
    wchar_t text[512] = {};
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                       text, static_cast<DWORD>(sizeof text / sizeof text[0]), nullptr);
    std::string message = Narrow(std::wstring(text, length));
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    std::string result = "error " + std::to_string(code);
    if (!message.empty())
        result += " (" + message + ")";
    return result;
}

[[noreturn]] void FailWithCode(const std::string& what, DWORD code) {
    throw Failure(what + ": " + SystemMessage(code));
}

[[noreturn]] void FailWithLastError(const std::string& what) {
    FailWithCode(what, GetLastError());
}

[[noreturn]] void FailWithResult(const std::string& what, HRESULT result) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(result));
    throw Failure(what + ": HRESULT " + hex);
}

void Print(const std::string& utf8) {
    WriteUtf8(STD_OUTPUT_HANDLE, utf8);
}
void PrintError(const std::string& utf8) {
    WriteUtf8(STD_ERROR_HANDLE, utf8);
}

// ---------------------------------------------------------------------------------------------
// File-system helpers (UTF-8 paths, "\"-separated)

struct DirEntry {
    std::string name;
    DWORD attributes;
};

// The names in a folder, without "." and "..".
std::vector<DirEntry> ListFolder(const std::string& folder) {
    WIN32_FIND_DATAW data{};
    const TFindHandle find(FindFirstFileW(Widen(folder + "\\*").c_str(), &data));
    std::vector<DirEntry> entries;
    if (!find) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES)
            return entries;
        FailWithCode("Cannot list " + folder, code);
    }
    do {
        const std::string name = Narrow(data.cFileName);
        if (name != "." && name != "..")
            entries.push_back({name, data.dwFileAttributes});
    } while (FindNextFileW(find.get(), &data));
    const DWORD code = GetLastError();
    if (code != ERROR_NO_MORE_FILES)
        FailWithCode("Cannot list " + folder, code);
    return entries;
}

bool IsFolder(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A directory junction or link is removed as itself; its target is never entered.
bool IsRealFolder(DWORD attributes) {
    return IsFolder(attributes) && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// Read-only, hidden and system entries cannot be deleted or overwritten until these are cleared.
void ClearAttributes(const std::string& path) {
    if (!SetFileAttributesW(Widen(path).c_str(), FILE_ATTRIBUTE_NORMAL)) {
        const DWORD code = GetLastError();
        if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND)
            FailWithCode("Cannot clear the attributes of " + path, code);
    }
}

void RemoveTree(const std::string& path, DWORD attributes) {
    ClearAttributes(path);
    if (IsRealFolder(attributes)) {
        for (const DirEntry& entry : ListFolder(path))
            RemoveTree(path + "\\" + entry.name, entry.attributes);
    }
    if (IsFolder(attributes)) {
        if (!RemoveDirectoryW(Widen(path).c_str()))
            FailWithLastError("Cannot remove the folder " + path);
    } else if (!DeleteFileW(Widen(path).c_str())) {
        FailWithLastError("Cannot delete " + path);
    }
}

void EmptyFolder(const std::string& folder) {
    for (const DirEntry& entry : ListFolder(folder))
        RemoveTree(folder + "\\" + entry.name, entry.attributes);
}

void EnsureFolder(const std::string& path) {
    if (CreateDirectoryW(Widen(path).c_str(), nullptr))
        return;
    const DWORD code = GetLastError();
    if (code != ERROR_ALREADY_EXISTS || !IsFolder(GetFileAttributesW(Widen(path).c_str())))
        FailWithCode("Cannot create the folder " + path, code);
}

// Creates every folder on the way from base to base + "\" + relative's parent.
void EnsureParentFolders(const std::string& base, const std::string& relative) {
    for (std::string::size_type slash = relative.find('\\'); slash != std::string::npos;
         slash = relative.find('\\', slash + 1))
        EnsureFolder(base + "\\" + relative.substr(0, slash));
}

std::string ParentOf(const std::string& path) {
    const std::string::size_type slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !IsFolder(attributes);
}

// ---------------------------------------------------------------------------------------------
// The sample

enum class Scope { Common, User };

struct SampleShortcut {
    Scope scope;
    std::string path; // relative to the Programs folder; "\" separates program-group folders
    std::string target;
    std::string description;
    std::string arguments;
    std::string workingDir; // empty: the target's own folder
    int shell32Icon = -1;   // index of an icon in shell32.dll; -1: the target's own icon
    DWORD attributes = 0;   // set after saving; 0: left as the shell saved it
};

// Programs every Wine prefix has. A target that is missing (an older Wine, or a 32-bit tool in a
// 64-bit prefix) is replaced by kFallback, with a warning.
const char* const kNotepad = "%SystemRoot%\\notepad.exe";
const char* const kRegedit = "%SystemRoot%\\regedit.exe";
const char* const kExplorer = "%SystemRoot%\\explorer.exe";
const char* const kHelpViewer = "%SystemRoot%\\hh.exe";
const char* const kCmd = "%SystemRoot%\\system32\\cmd.exe";
const char* const kControl = "%SystemRoot%\\system32\\control.exe";
const char* const kTaskmgr = "%SystemRoot%\\system32\\taskmgr.exe";
const char* const kMines = "%SystemRoot%\\system32\\winemine.exe";
const char* const kWrite = "%SystemRoot%\\system32\\write.exe";
const char* const kWinHelp = "%SystemRoot%\\system32\\winhlp32.exe";
const char* const kClock = "%SystemRoot%\\system32\\clock.exe";
const char* const kFileManager = "%SystemRoot%\\system32\\winefile.exe";
const char* const kObjectViewer = "%SystemRoot%\\system32\\oleview.exe";
const char* const kSystemInfo = "%SystemRoot%\\system32\\msinfo32.exe";
const char* const kDxDiag = "%SystemRoot%\\system32\\dxdiag.exe";
const char* const kImageView = "%SystemRoot%\\system32\\view.exe";
const char* const kUninstaller = "%SystemRoot%\\system32\\uninstaller.exe";
const char* const kWinver = "%SystemRoot%\\system32\\winver.exe";
const char* const kProgman = "%SystemRoot%\\system32\\progman.exe";
const char* const kWordpad = "%ProgramFiles%\\Windows NT\\Accessories\\wordpad.exe";
const char* const kMediaPlayer = "%ProgramFiles%\\Windows Media Player\\wmplayer.exe";
const char* const kBrowser = "%ProgramFiles%\\Internet Explorer\\iexplore.exe";
const char* const kFallback = kNotepad;

const char* const kHome = "%USERPROFILE%";

constexpr Scope C = Scope::Common;
constexpr Scope U = Scope::User;
constexpr DWORD kHidden = FILE_ATTRIBUTE_HIDDEN;
constexpr DWORD kSystem = FILE_ATTRIBUTE_SYSTEM;

// Names never differ only in letter case within one folder: Wine, like Windows, would treat them
// as the same name.
std::vector<SampleShortcut> SampleShortcuts() {
    return {
        // All users: top-level shortcuts.
        {C, "Notepad.lnk", kNotepad, "Простой текстовый редактор"},
        {C, "Калькулятор.lnk", kClock, "Инженерный калькулятор", "", "", 23},
        {C, "Редактор реестра.lnk", kRegedit, "Просмотр и правка системного реестра"},
        {C, "Командная строка.lnk", kCmd, "Командная строка", "", kHome},
        {C, "Панель управления.lnk", kControl, "Настройка компьютера"},
        {C, "Диспетчер задач.lnk", kTaskmgr, "Запущенные программы и процессы"},
        {C, "Проводник.lnk", kExplorer, "Файлы и папки", "/e,C:\\"},
        {C, "Quillpad Writer.lnk", kWordpad, "Word processor with page layout"},
        {C, "Tabula Sheets.lnk", kNotepad, "Spreadsheets for home and office"},
        {C, "Справочная система.lnk", kWinHelp, "Справка и поддержка"},
        {C, "Часы.lnk", kClock, "Часы на рабочем столе"},
        {C, "Игры.lnk", kMines, "Игровой центр: все игры в одном окне"},
        {C, "Файловый менеджер.lnk", kFileManager, "Двухпанельный файловый менеджер"},
        {C, "Объектный просмотрщик.lnk", kObjectViewer, "Просмотр объектов COM"},
        {C, "Брандмауэр.lnk", kControl, "Защита от сетевых атак", "firewall.cpl"},
        {C, "Pebble Solitaire.lnk", kMines, "Twelve card games"},
        {C, "Просмотр изображений.lnk", kImageView, "Просмотр рисунков и метафайлов"},
        {C, "Tidebox Calendar.lnk", kBrowser, "Calendar and reminders"},
        {C, "Удаление программ.lnk", kUninstaller, "Установка и удаление программ"},
        {C, "Larkspur Updater.lnk", kExplorer, "Checks for updates", "", "", -1, kHidden},

        // All users: program groups.
        {C, "Мультимедиа\\Фонотека.lnk", kMediaPlayer, "Музыкальная коллекция"},
        {C, "Мультимедиа\\Запись звука.lnk", kMediaPlayer, "Запись с микрофона", "/record"},
        {C, "Мультимедиа\\Кодеки\\Настройка кодеков.lnk", kControl, "Аудио- и видеокодеки",
         "mmsys.cpl"},
        {C, "Player 5.5\\Player 5.5.lnk", kMediaPlayer, "Audio and video player"},
        {C, "Player 5.5\\Удалить Player 5.5.lnk", kUninstaller, "Удаление Player 5.5"},
        {C, "Cobalt Archiver\\Cobalt Archiver.lnk", kFileManager, "Archive manager"},
        {C, "Cobalt Archiver\\Справка Cobalt.lnk", kWinHelp, "Руководство пользователя"},

        {C, "Shieldmoss Security\\Shieldmoss Antivirus.lnk", kControl, "Real-time protection"},
        {C, "Shieldmoss Security\\Карантин.lnk", kExplorer, "Изолированные файлы", "/e,C:\\"},
        {C, "Shieldmoss Security\\Удалить Shieldmoss.lnk", kUninstaller, "Удаление антивируса"},
        {C, "Sprocket Studio\\Sprocket IDE 3.lnk", kNotepad, "Integrated development environment"},
        {C, "Sprocket Studio\\Object Viewer.lnk", kObjectViewer, "Type library browser"},
        {C, "Sprocket Studio\\Tools\\Hexling Editor.lnk", kNotepad, "Binary file editor"},
        {C, "Sprocket Studio\\Tools\\Sprocket Console.lnk", kCmd, "Build command prompt", "/k",
         kHome},
        {C, "Ledgerly\\Ledgerly Accounts.lnk", kWordpad, "Household accounts"},

        // The user: top-level shortcuts.
        {U, "Notepad.lnk", kNotepad, "Мой блокнот"},
        {U, "メモ帳.lnk", kNotepad, "テキストエディター"},
        {U, "Записная книжка.lnk", kNotepad, "Адреса и телефоны"},
        {U, "Hexling Editor.lnk", kNotepad, "Binary file editor (portable)"},
        {U, "Марсианские гонки.lnk", kMines, "Гонки на выживание"},
        {U, "Pebble Mahjong.lnk", kMines, "Tile matching game"},
        {U, "Фонотека.lnk", kMediaPlayer, "Моя музыка"},
        {U, "Кинозал.lnk", kMediaPlayer, "Фильмы и сериалы", "/fullscreen"},
        {U, "Загрузчик файлов.lnk", kBrowser, "Менеджер загрузок"},
        {U, "Sparrowchat.lnk", kBrowser, "Instant messenger"},
        {U, "Paintwell.lnk", kImageView, "Simple painting"},
        {U, "Скриншотер.lnk", kImageView, "Снимки экрана"},
        {U, "Сведения о системе.lnk", kSystemInfo, "Сведения о компьютере"},
        {U, "Диагностика графики.lnk", kDxDiag, "Проверка видеоадаптера"},
        {U, "Wordsmith Pro 7.lnk", kWrite, "Desktop publishing"},
        {U, "Консоль сценариев.lnk", kCmd, "Запуск сценариев", "/k", kHome},
        {U, "О программе.lnk", kWinver, "Версия системы"},
        {U, "Диспетчер программ.lnk", kProgman, "Группы программ", "", "", 19},
        {U, "Архиватор.lnk", kFileManager, "Сжатие файлов"},
        {U, "Служба поддержки.lnk", kHelpViewer, "Помощь и поддержка", "", "", -1, kSystem},

        // The user: program groups.
        {U, "Игры\\Сапёр.lnk", kMines, "Найдите все мины"},
        {U, "Игры\\Cellar Chess.lnk", kMines, "Chess against the computer"},
        {U, "Brightwave\\Brightwave Browser.lnk", kBrowser, "Fast web browser"},
        {U, "Brightwave\\Brightwave (безопасный режим).lnk", kBrowser, "Запуск без дополнений",
         "-safe-mode"},
        {U, "Tidebox Mail\\Tidebox Mail.lnk", kBrowser, "E-mail client"},
        {U, "Tidebox Mail\\Адресная книга.lnk", kBrowser, "Контакты"},
        {U, "Vectoria\\Vectoria Draw.lnk", kImageView, "Vector drawing"},
        {U, "Vectoria\\Vectoria Photo.lnk", kImageView, "Photo retouching"},
        {U, "Vectoria\\Примеры\\Галерея примеров.lnk", kExplorer, "Примеры рисунков",
         "/e,C:\\users\\Public"},
        {U, "Keyvault\\Keyvault Passwords.lnk", kNotepad, "Password manager"},
        {U, "Radio Kestrel\\Radio Kestrel.lnk", kMediaPlayer, "Internet radio"},
        {U, "Radio Kestrel\\Kestrel Recorder.lnk", kMediaPlayer, "Records radio streams"},
        {U, "Radio Kestrel\\Readme.lnk", kNotepad, "Release notes"},
        {U, "Ferrylink Sync\\Ferrylink Sync.lnk", kExplorer, "Folder synchronisation"},
        {U, "Ferrylink Sync\\Ferrylink Settings.lnk", kControl, "Synchronisation settings"},
        {U, "Сетевые утилиты\\Сетевые подключения.lnk", kControl, "Сетевые адаптеры", "ncpa.cpl"},
        {U, "Сетевые утилиты\\Проверка связи.lnk", kCmd, "Проверка доступности узла",
         "/k ping 127.0.0.1", kHome},
        {U, "Сетевые утилиты\\Удалённый доступ\\Терминал.lnk", kCmd, "Удалённая консоль", "",
         kHome},
        {U, "Сетевые утилиты\\Удалённый доступ\\Sparrowchat.lnk", kBrowser, "Instant messenger"},
        {U, "Сетевые утилиты\\Удалённый доступ\\Ferrylink Remote.lnk", kExplorer, "Remote folders"},

        // A Russian Windows 10's own entries: English file names, Russian names from desktop.ini.
        {C, "Windows Media Player.lnk", kMediaPlayer, "Воспроизведение мультимедиа"},
        {C, "Windows Fax and Scan.lnk", kImageView, "Факсы и сканирование"},
        {C, "Remote Desktop Connection.lnk", kCmd, "Подключение к другому компьютеру"},
        {C, "Accessories\\Notepad.lnk", kNotepad, "Текстовый редактор"},
        {C, "Accessories\\Character Map.lnk", kControl, "Выбор специальных символов"},
        {C, "Accessories\\Paintwell.lnk", kImageView, "Simple painting"},
        {C, "Accessories\\System Tools\\System Information.lnk", kSystemInfo,
         "Сведения об оборудовании и программах"},
        {C, "Accessories\\System Tools\\Disk Cleanup.lnk", kDxDiag, "Очистка диска"},
        {C, "Administrative Tools\\Registry Editor.lnk", kRegedit, "Редактор реестра"},
        {C, "Maintenance\\Backup and Restore.lnk", kControl, "Архивация данных"},
        {C, "StartUp\\Larkspur Tray.lnk", kExplorer, "Starts with Windows"},
        {C, "Windows PowerShell\\Windows PowerShell.lnk", kCmd, "Командная оболочка"},
        {U, "Sticky Notes.lnk", kNotepad, "Заметки на рабочем столе"},
        {U, "StartUp\\Sparrowchat.lnk", kBrowser, "Starts with Windows"},
        {U, "Administrative Tools\\Component Services.lnk", kObjectViewer, "Службы компонентов"},
    };
}

// The desktop.ini files that give folders and the files in them the names a Russian Windows shows,
// through the names DLL as a Russian Windows' point at shell32.dll: mostly by "%SystemRoot%", once
// by a plain path, once as plain text. The two spellings of the Programs folders' file names check
// that .ini files are recognised in any letter case.
const char* const kNamesDll = "orvane-sandbox-names.dll";
const char* const kNamesModule = "@%SystemRoot%\\system32\\orvane-sandbox-names.dll,-";

struct SampleIni {
    Scope scope;
    std::string folder; // relative to the Programs folder; empty for the Programs folder itself
    const char* name;
    std::string text;
};

std::string FolderName(int id) {
    return "[.ShellClassInfo]\r\nLocalizedResourceName=" + std::string(kNamesModule) +
           std::to_string(id) + "\r\n";
}

std::vector<SampleIni> SampleInis() {
    const std::string m = kNamesModule;
    const std::string plainPath =
        "@" + ExpandEnvironment("%SystemRoot%\\system32\\") + kNamesDll + ",-";
    const std::string programs = "[.ShellClassInfo]\r\nLocalizedResourceName="
                                 "@%SystemRoot%\\system32\\shell32.dll,-21782\r\n"
                                 "[LocalizedFileNames]\r\n";
    return {
        {C, "", "desktop.ini",
         programs + "Windows Media Player.lnk=" + m + std::to_string(IDS_MEDIA_PLAYER) + "\r\n" +
             "Windows Fax and Scan.lnk=" + plainPath + std::to_string(IDS_FAX_AND_SCAN) + "\r\n" +
             "Remote Desktop Connection.lnk=Подключение к удалённому рабочему столу\r\n"},
        {U, "", "Desktop.INI",
         programs + "Sticky Notes.lnk=" + m + std::to_string(IDS_STICKY_NOTES) + "\r\n"},
        {C, "Accessories", "desktop.ini",
         FolderName(IDS_ACCESSORIES) + "[LocalizedFileNames]\r\nNotepad.lnk=" + m +
             std::to_string(IDS_NOTEPAD) + "\r\nCharacter Map.lnk=" + m +
             std::to_string(IDS_CHARACTER_MAP) + "\r\n"},
        {C, "Accessories\\System Tools", "desktop.ini",
         FolderName(IDS_SYSTEM_TOOLS) + "[LocalizedFileNames]\r\nSystem Information.lnk=" + m +
             std::to_string(IDS_SYSTEM_INFORMATION) + "\r\nDisk Cleanup.lnk=" + m +
             std::to_string(IDS_DISK_CLEANUP) + "\r\n"},
        {C, "Administrative Tools", "desktop.ini", FolderName(IDS_ADMINISTRATIVE_TOOLS)},
        {U, "Administrative Tools", "desktop.ini", FolderName(IDS_ADMINISTRATIVE_TOOLS)},
        {C, "Maintenance", "desktop.ini",
         FolderName(IDS_MAINTENANCE) + "[LocalizedFileNames]\r\nBackup and Restore.lnk=" + m +
             std::to_string(IDS_BACKUP_AND_RESTORE) + "\r\n"},
        {C, "StartUp", "desktop.ini", FolderName(IDS_STARTUP)},
        {U, "StartUp", "desktop.ini", FolderName(IDS_STARTUP)},
    };
}

// ---------------------------------------------------------------------------------------------
// Creation

std::string ProgramsFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    const HRESULT result =
        SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path);
    const char* what = csidl == CSIDL_COMMON_PROGRAMS ? "all-users" : "user's";
    if (FAILED(result))
        FailWithResult(std::string("Cannot locate the ") + what + " Programs folder", result);
    const std::string folder = Narrow(path);
    if (folder.empty() || !IsFolder(GetFileAttributesW(path)))
        throw Failure(std::string("The ") + what + " Programs folder is missing: " + folder);
    return folder;
}

std::string ResolveTarget(const std::string& target) {
    const std::string path = ExpandEnvironment(target);
    if (FileExists(path))
        return path;
    const std::string fallback = ExpandEnvironment(kFallback);
    if (!FileExists(fallback))
        throw Failure("Neither " + path + " nor " + fallback + " exists");
    PrintError("orvane-sandbox: warning: " + path + " is missing; using " + fallback + "\n");
    return fallback;
}

void CreateShortcut(const std::string& linkPath, const SampleShortcut& item) {
    const std::string target = ResolveTarget(item.target);
    const std::string workingDir =
        item.workingDir.empty() ? ParentOf(target) : ExpandEnvironment(item.workingDir);

    TComPtr<IShellLinkW> link;
    HRESULT result =
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(link.put()));
    if (FAILED(result))
        FailWithResult("Cannot create a shell link object", result);

    const auto check = [&](HRESULT hr, const char* step) {
        if (FAILED(hr))
            FailWithResult(std::string("Cannot set the ") + step + " of " + linkPath, hr);
    };
    check(link->SetPath(Widen(target).c_str()), "target");
    check(link->SetDescription(Widen(item.description).c_str()), "description");
    check(link->SetWorkingDirectory(Widen(workingDir).c_str()), "working directory");
    if (!item.arguments.empty())
        check(link->SetArguments(Widen(item.arguments).c_str()), "arguments");
    if (item.shell32Icon >= 0)
        check(link->SetIconLocation(
                  Widen(ExpandEnvironment("%SystemRoot%\\system32\\shell32.dll")).c_str(),
                  item.shell32Icon),
              "icon");

    TComPtr<IPersistFile> file;
    result = link->QueryInterface(IID_PPV_ARGS(file.put()));
    if (FAILED(result))
        FailWithResult("The shell link object cannot be saved", result);
    // A hidden or system file left by an earlier run cannot be overwritten as it is.
    ClearAttributes(linkPath);
    result = file->Save(Widen(linkPath).c_str(), TRUE);
    if (FAILED(result))
        FailWithResult("Cannot save the shortcut " + linkPath, result);
}

void SetAttributes(const std::string& path, DWORD attributes) {
    if (!SetFileAttributesW(Widen(path).c_str(), attributes))
        FailWithLastError("Cannot set the attributes of " + path);
    if ((GetFileAttributesW(Widen(path).c_str()) & attributes) != attributes)
        throw Failure("The attributes of " + path + " did not stick");
}

// Writes a desktop.ini as the shell does: UTF-16 with a byte-order mark, hidden and system, in a
// folder marked as one whose desktop.ini the shell reads.
void WriteDesktopIni(const std::string& folder, const SampleIni& ini) {
    const std::string path = folder + "\\" + ini.name;
    ClearAttributes(path);
    const std::wstring text = L"\xFEFF" + Widen(ini.text);
    const TFile file(CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        FailWithLastError("Cannot create " + path);
    const DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    DWORD written = 0;
    if (!WriteFile(file.get(), text.data(), size, &written, nullptr) || written != size)
        FailWithLastError("Cannot write " + path);
    SetAttributes(path, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    if (!PathMakeSystemFolderW(Widen(folder).c_str()))
        FailWithLastError("Cannot mark " + folder + " as a system folder");
}

// Copies the names DLL from beside this program into the system folder, where the sample's
// desktop.ini files expect it.
void InstallNamesDll() {
    std::wstring self(MAX_PATH, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), MAX_PATH));
    const std::string source = ParentOf(Narrow(self)) + "\\" + kNamesDll;
    const std::string target = ExpandEnvironment("%SystemRoot%\\system32\\") + kNamesDll;
    if (!CopyFileW(Widen(source).c_str(), Widen(target).c_str(), FALSE))
        FailWithLastError("Cannot copy " + source + " to " + target);
}

void Fill(Scope scope, const std::string& folder) {
    for (const SampleShortcut& item : SampleShortcuts()) {
        if (item.scope != scope)
            continue;
        EnsureParentFolders(folder, item.path);
        const std::string linkPath = folder + "\\" + item.path;
        CreateShortcut(linkPath, item);
        if (item.attributes != 0)
            SetAttributes(linkPath, item.attributes);
    }
    for (const SampleIni& ini : SampleInis()) {
        if (ini.scope == scope)
            WriteDesktopIni(ini.folder.empty() ? folder : folder + "\\" + ini.folder, ini);
    }
}

// ---------------------------------------------------------------------------------------------
// Summary, counted from what is on disk

struct Counts {
    int topShortcuts = 0;
    int topFolders = 0;
    int topOther = 0;
    int categoryFolders = 0; // top-level folders bearing a category name exactly
    int hidden = 0;          // top-level entries, desktop.ini aside
    int system = 0;
    int scanEntries = 0; // top-level names other than .ini files and category names
    int nestedShortcuts = 0;
    int nestedFolders = 0;
    int nestedOther = 0;
};

void CountNested(const std::string& folder, Counts& counts) {
    for (const DirEntry& entry : ListFolder(folder)) {
        if (IsFolder(entry.attributes)) {
            ++counts.nestedFolders;
            if (IsRealFolder(entry.attributes))
                CountNested(folder + "\\" + entry.name, counts);
        } else if (AsciiLower(ExtensionOf(entry.name)) == ".lnk") {
            ++counts.nestedShortcuts;
        } else {
            ++counts.nestedOther;
        }
    }
}

// The shell's own folders (startup, administrative tools), which Orvane never lists.
bool IsShellOwnFolder(const std::string& path) {
    for (int csidl :
         {CSIDL_STARTUP, CSIDL_COMMON_STARTUP, CSIDL_ADMINTOOLS, CSIDL_COMMON_ADMINTOOLS}) {
        wchar_t folder[MAX_PATH] = {};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder)) &&
            lstrcmpiW(folder, Widen(path).c_str()) == 0)
            return true;
    }
    return false;
}

Counts Count(const std::string& folder) {
    const std::set<std::string> categories(CategoryNames.begin(), CategoryNames.end());
    Counts counts;
    for (const DirEntry& entry : ListFolder(folder)) {
        const bool isIni = AsciiLower(ExtensionOf(entry.name)) == ".ini";
        if (IsFolder(entry.attributes)) {
            ++counts.topFolders;
            if (categories.count(entry.name) != 0)
                ++counts.categoryFolders;
            if (IsRealFolder(entry.attributes))
                CountNested(folder + "\\" + entry.name, counts);
        } else if (AsciiLower(ExtensionOf(entry.name)) == ".lnk") {
            ++counts.topShortcuts;
        } else {
            ++counts.topOther;
        }
        if (!isIni && (entry.attributes & FILE_ATTRIBUTE_HIDDEN) != 0)
            ++counts.hidden;
        if (!isIni && (entry.attributes & FILE_ATTRIBUTE_SYSTEM) != 0)
            ++counts.system;
        if (!isIni && categories.count(entry.name) == 0 &&
            !IsShellOwnFolder(folder + "\\" + entry.name))
            ++counts.scanEntries;
    }
    return counts;
}

void PrintCounts(const char* title, const std::string& folder, const Counts& c) {
    Print(std::string(title) + ": " + folder + "\n");
    Print("  top level:      " + std::to_string(c.topShortcuts) + " shortcuts, " +
          std::to_string(c.topFolders) + " folders (" + std::to_string(c.categoryFolders) +
          " named as a category), " + std::to_string(c.topOther) + " other files; " +
          std::to_string(c.hidden) + " hidden, " + std::to_string(c.system) + " system\n");
    Print("  inside folders: " + std::to_string(c.nestedShortcuts) + " shortcuts, " +
          std::to_string(c.nestedFolders) + " folders, " + std::to_string(c.nestedOther) +
          " other files\n");
    Print("  entries to sort: " + std::to_string(c.scanEntries) + "\n");
}

// ---------------------------------------------------------------------------------------------

const char* const kUsage =
    "Usage: orvane-sandbox [--clean] [--where] [--allow-windows]\n"
    "Fills the all-users and the user's Start-menu Programs folders with a fixed sample.\n"
    "  --clean          empty both Programs folders first\n"
    "  --where          print the two Programs folders (all users first), change nothing\n"
    "  --allow-windows  run outside Wine too (rewrites the real Start menu)\n";

int Run(const std::vector<std::string>& args) {
    bool clean = false;
    bool where = false;
    bool allowWindows = false;
    for (const std::string& arg : args) {
        if (arg == "--clean") {
            clean = true;
        } else if (arg == "--where") {
            where = true;
        } else if (arg == "--allow-windows") {
            allowWindows = true;
        } else if (arg == "--help" || arg == "-h" || arg == "/?") {
            Print(kUsage);
            return 0;
        } else {
            PrintError("orvane-sandbox: unknown argument " + arg + "\n" + kUsage);
            return 2;
        }
    }
    if (!RunningOnWine() && !allowWindows) {
        PrintError("orvane-sandbox: not running under Wine; refusing to rewrite this machine's "
                   "Start menu (pass --allow-windows to do it anyway)\n");
        return 2;
    }

    const TComScope com;
    if (!com.Initialised())
        throw Failure("Cannot initialise COM");
    const std::string common = ProgramsFolder(CSIDL_COMMON_PROGRAMS);
    const std::string user = ProgramsFolder(CSIDL_PROGRAMS);
    if (AsciiLower(common) == AsciiLower(user))
        throw Failure("Both Programs folders are the same folder: " + common);
    if (where) {
        Print(common + "\n" + user + "\n");
        return 0;
    }

    if (clean) {
        EmptyFolder(common);
        EmptyFolder(user);
    }
    InstallNamesDll();
    Fill(Scope::Common, common);
    Fill(Scope::User, user);

    const Counts commonCounts = Count(common);
    const Counts userCounts = Count(user);
    Print("orvane-sandbox: the Start menu sample is in place.\n");
    PrintCounts("All users", common, commonCounts);
    PrintCounts("User", user, userCounts);
    Print("Total entries to sort: " +
          std::to_string(commonCounts.scanEntries + userCounts.scanEntries) + "\n");
    return 0;
}

} // namespace

int main() {
    return RunConsoleProgram(Run, "orvane-sandbox: ");
}
