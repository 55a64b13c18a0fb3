// A ShellServices that works on an in-memory picture of the file system: folders, files and text
// files that creations, copies and moves change as the real shell changes them, desktop.ini lines
// and the messages shown. Every call is recorded too, for the few properties that only the calls
// show (an operation never handed to the shell, the order of the copies).
#pragma once

#include "catalogue/catalogue.h"
#include "shell/shell_services.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

// The recorded calls that begin with `prefix`, in order.
inline std::vector<std::string> CallsStartingWith(const std::vector<std::string>& calls,
                                                  const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& call : calls) {
        if (call.rfind(prefix, 0) == 0)
            found.push_back(call);
    }
    return found;
}

// What an XML text holds between the first `element`'s start and end tags, as written; nothing when
// it has no such element.
inline std::optional<std::string> XmlElement(const std::string& xml, const std::string& element) {
    const std::string start = "<" + element + ">", end = "</" + element + ">";
    const size_t from = xml.find(start);
    const size_t to = from == std::string::npos ? from : xml.find(end, from);
    if (to == std::string::npos)
        return std::nullopt;
    return xml.substr(from + start.size(), to - from - start.size());
}
// The same as text, its character entities resolved.
inline std::optional<std::string> XmlText(const std::string& xml, const std::string& element) {
    std::optional<std::string> text = XmlElement(xml, element);
    if (!text)
        return text;
    for (const auto& [entity, character] : {std::pair<std::string, std::string>{"&lt;", "<"},
                                            {"&gt;", ">"},
                                            {"&quot;", "\""},
                                            {"&apos;", "'"},
                                            {"&amp;", "&"}}) {
        for (size_t at = text->find(entity); at != std::string::npos;
             at = text->find(entity, at + character.size()))
            text->replace(at, entity.size(), character);
    }
    return text;
}

class FakeShell : public ShellServices {
public:
    std::map<int, std::optional<std::string>> specialFolders;
    std::map<std::string, std::vector<std::string>> listings; // pattern -> names
    std::set<std::string> folders;                            // existing folders, no trailing "\"
    // Other files, and text files with their content. Moves that succeed move them (and what a
    // moved folder holds); a pattern without a listing of its own lists them.
    std::set<std::string> files;
    std::map<std::string, std::string> textFiles;
    unsigned appendFailure = 0; // OS code appends fail with, once `appendsBeforeFailure` succeeded
    int appendsBeforeFailure = 0;
    std::map<std::string, int> createFailures;      // folder -> OS error code
    std::map<std::string, ShellOpResult> opResults; // from -> result (default success)
    // Icons, looked up on the window's icon thread: the image list, the link overlay and what
    // each entry gets (default: no icon). Lookups are counted and their order kept.
    void* iconList = nullptr;
    int linkOverlay = 0;
    std::function<ItemIconInfo(const std::string&)> iconFor;
    // Folders whose desktop.ini is read -> section -> lines; texts of "@..." values; write
    // failures.
    std::map<std::string, std::map<std::string, std::vector<std::pair<std::string, std::string>>>>
        desktopInis;
    std::map<std::string, std::string> indirectStrings;
    std::map<std::string, unsigned> iniWriteFailures; // folder -> OS error code
    // Sizes of files other than text files (default 0), folder links, what shortcuts and
    // executables say of themselves.
    std::map<std::string, uint64_t> fileSizes;
    std::set<std::string> folderLinks;
    std::map<std::string, TShortcutInfo> shortcuts;
    std::map<std::string, TVersionInfo> versionInfos;

    std::vector<std::string> calls;    // every call but the icon ones, in order
    std::vector<std::string> messages; // texts passed to ShowMessage
    std::vector<std::string> opened;   // targets passed to OpenInShell
    std::vector<std::string> notified; // folders passed to NotifyFolderChanged
    std::atomic<int> iconLookups{0};
    std::vector<std::string> IconOrder() const {
        std::lock_guard<std::mutex> lock(iconMutex_);
        return iconOrder_;
    }

    static std::string Trim(const std::string& path) {
        std::string p = path;
        while (p.size() > 1 && p.back() == '\\')
            p.pop_back();
        return p;
    }

    std::optional<std::string> GetSpecialFolder(int csidl) override {
        Record("GetSpecialFolder(" + std::to_string(csidl) + ")");
        auto it = specialFolders.find(csidl);
        return it == specialFolders.end() ? std::nullopt : it->second;
    }
    std::vector<std::string> ListFolder(const std::string& pattern, unsigned attributes) override {
        std::vector<std::string> names;
        for (TListedName& listed : ListFolderWithAttributes(pattern, attributes))
            names.push_back(std::move(listed.Name));
        return names;
    }
    // A folder is listed as one; a folder whose desktop.ini is read as a read-only one too, as
    // the shell marks it.
    std::vector<TListedName> ListFolderWithAttributes(const std::string& pattern,
                                                      unsigned attributes) override {
        Record("ListFolder(" + pattern + "," + std::to_string(attributes) + ")");
        const size_t cut = pattern.find_last_of('\\');
        const std::string folder = pattern.substr(0, cut);
        std::vector<TListedName> names;
        const auto add = [&](const std::string& name) {
            const std::string path = folder + "\\" + name;
            unsigned given = folders.count(path) ? DirectoryAttribute : 0u;
            if (desktopInis.count(path))
                given |= DirectoryAttribute | ReadOnlyAttribute;
            names.push_back({name, given});
        };
        auto it = listings.find(pattern);
        if (it != listings.end()) {
            for (const std::string& name : it->second)
                add(name);
            return names;
        }
        // "folder\*suffix": what the folder holds whose name ends so.
        std::string suffix = pattern.substr(cut + 2);
        if (suffix == ".*")
            suffix.clear();
        for (const std::string& path : Everything()) {
            const std::string name = path.substr(path.find_last_of('\\') + 1);
            if (IsInside(path, folder) && path.find('\\', folder.size() + 1) == std::string::npos &&
                name.size() >= suffix.size() &&
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                add(name);
        }
        return names;
    }
    bool FolderExists(const std::string& path) override {
        Record("FolderExists(" + path + ")");
        return folders.count(Trim(path)) != 0;
    }
    void CreateFolder(const std::string& path) override {
        Record("CreateFolder(" + path + ")");
        auto it = createFailures.find(Trim(path));
        if (it != createFailures.end())
            throw EInOutError(it->second);
        if (Everything().count(Trim(path)) != 0)
            throw EInOutError(183); // ERROR_ALREADY_EXISTS, as the real shell raises
        folders.insert(Trim(path));
    }
    bool PathExists(const std::string& path) override {
        return Everything().count(Trim(path)) != 0;
    }
    unsigned RemoveFolder(const std::string& path) override {
        Record("RemoveFolder(" + path + ")");
        if (!folders.count(path))
            return 2;
        for (const std::string& other : Everything()) {
            if (IsInside(other, path))
                return 145; // ERROR_DIR_NOT_EMPTY
        }
        folders.erase(path);
        return 0;
    }
    ShellOpResult ShellFileOperation(ShellOp op, const std::string& from,
                                     const std::string& to) override {
        Record(std::string(op == ShellOp::Copy ? "Copy(" : "Move(") + from + " -> " + to + ")");
        if (onOperation)
            onOperation();
        auto it = opResults.find(from);
        const ShellOpResult result = it == opResults.end() ? ShellOpResult{} : it->second;
        if (op == ShellOp::Copy && result.Succeeded())
            CopyContent(from.substr(0, from.find_last_of('\\')), Trim(to));
        if (op == ShellOp::Move && result.Succeeded()) {
            for (std::set<std::string>* set : {&folders, &files}) {
                std::set<std::string> moved;
                for (auto path = set->begin(); path != set->end();) {
                    if (*path == from || IsInside(*path, from)) {
                        moved.insert(to + path->substr(from.size()));
                        path = set->erase(path);
                    } else {
                        ++path;
                    }
                }
                set->insert(moved.begin(), moved.end());
            }
            MoveKeys(textFiles, from, to);
            MoveKeys(shortcuts, from, to);
        }
        return result;
    }
    std::function<void()> onOperation; // runs inside every copy and move, as the shell's dialogs do
    std::string ComparablePath(const std::string& path) override { return FoldedName(path); }
    // Folds the letter case of Latin, Greek and Cyrillic names, as the file system would.
    std::string FoldedName(const std::string& path) override {
        std::string out;
        for (size_t i = 0; i < path.size();) {
            char32_t cp = NextCodePoint(path, i);
            if ((cp >= U'A' && cp <= U'Z') || (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) ||
                (cp >= 0x391 && cp <= 0x3AB) || (cp >= 0x410 && cp <= 0x42F))
                cp += 0x20;
            else if (cp >= 0x400 && cp <= 0x40F)
                cp += 0x50;
            AppendUtf8(out, cp);
        }
        return out;
    }
    std::vector<std::pair<std::string, std::string>>
    DesktopIniSection(const std::string& folder, const std::string& section) override {
        auto ini = desktopInis.find(folder);
        if (ini == desktopInis.end())
            return {};
        auto lines = ini->second.find(section);
        return lines == ini->second.end() ? std::vector<std::pair<std::string, std::string>>{}
                                          : lines->second;
    }
    std::optional<std::string> ResolveLocalizedName(const std::string& value) override {
        if (value.empty() || value[0] != '@')
            return value.empty() ? std::nullopt : std::optional<std::string>(value);
        auto text = indirectStrings.find(value);
        return text == indirectStrings.end() ? std::nullopt
                                             : std::optional<std::string>(text->second);
    }
    unsigned WriteDesktopIni(const std::string& folder, const std::string& section,
                             const std::string& key, const std::string& value) override {
        Record("WriteDesktopIni(" + folder + "," + section + "," + key + "=" + value + ")");
        auto failure = iniWriteFailures.find(folder);
        if (failure != iniWriteFailures.end())
            return failure->second;
        desktopInis[folder][section].emplace_back(key, value);
        return 0;
    }
    unsigned RemoveDesktopIniLine(const std::string& folder, const std::string& section,
                                  const std::string& key, bool removeEmptyFile) override {
        Record("RemoveDesktopIniLine(" + folder + "," + section + "," + key + ")");
        auto ini = desktopInis.find(folder);
        if (ini == desktopInis.end())
            return 0;
        auto lines = ini->second.find(section);
        if (lines != ini->second.end()) {
            auto& list = lines->second;
            list.erase(std::remove_if(list.begin(), list.end(),
                                      [&](const auto& line) {
                                          return FoldedName(line.first) == FoldedName(key);
                                      }),
                       list.end());
            if (list.empty())
                ini->second.erase(lines);
        }
        if (removeEmptyFile && ini->second.empty())
            desktopInis.erase(ini);
        return 0;
    }
    // Opening a file counts as one append, as each write does.
    std::unique_ptr<TAppendFile> OpenForAppend(const std::string& path, bool createNew,
                                               unsigned& code) override {
        code = AppendFailure();
        if (!code && folderLinks.count(path))
            code = ErrorAccessDenied;
        if (!code && !folders.count(path.substr(0, path.find_last_of('\\'))))
            code = ErrorPathNotFound;
        if (!code && createNew == (textFiles.count(path) != 0))
            code = createNew ? ErrorFileExists : ErrorFileNotFound;
        if (code)
            return nullptr;
        textFiles[path];
        return std::make_unique<AppendFile>(*this, path);
    }
    std::optional<std::string> ReadTextFile(const std::string& path) override {
        auto file = textFiles.find(path);
        return file == textFiles.end() ? std::nullopt : std::optional<std::string>(file->second);
    }
    std::optional<uint64_t> FileSize(const std::string& path) override {
        if (auto file = textFiles.find(path); file != textFiles.end())
            return file->second.size();
        if (auto size = fileSizes.find(path); size != fileSizes.end())
            return size->second;
        return files.count(path) ? std::optional<uint64_t>(0) : std::nullopt;
    }
    bool IsFolderLink(const std::string& path) override { return folderLinks.count(path) != 0; }
    std::optional<TShortcutInfo> ReadShortcut(const std::string& path) override {
        Record("ReadShortcut(" + path + ")");
        auto link = shortcuts.find(path);
        return link == shortcuts.end() ? std::nullopt : std::optional<TShortcutInfo>(link->second);
    }
    // What each target path is found to be; any other: Unknown (never judged missing).
    std::map<std::string, TTargetState> targets;
    bool oneLevel = true; // the Start menu of Windows 10 and 11
    TTargetState ProbeTarget(const std::string& path) override {
        auto it = targets.find(path);
        return it == targets.end() ? TTargetState::Unknown : it->second;
    }
    bool StartMenuShowsOneLevel() override { return oneLevel; }
    TVersionInfo ReadVersionInfo(const std::string& path) override {
        auto info = versionInfos.find(path);
        return info == versionInfos.end() ? TVersionInfo{} : info->second;
    }
    void NotifyFolderChanged(const std::string& folder) override { notified.push_back(folder); }
    void* SmallIconList() override { return iconList; }
    int LinkOverlay() override { return linkOverlay; }
    ItemIconInfo ItemIcon(const std::string& path) override {
        ++iconLookups;
        {
            std::lock_guard<std::mutex> lock(iconMutex_);
            iconOrder_.push_back(path);
        }
        return iconFor ? iconFor(path) : ItemIconInfo{};
    }
    void OpenInShell(const std::string& target) override {
        Record("OpenInShell(" + target + ")");
        opened.push_back(target);
    }
    // The process runs with the user's own rights; the all-users step runs through `elevatedStep`
    // (support/fake_elevation.h), and with none set the user declines it.
    bool elevated = false;
    std::function<TElevatedRun(const std::string& request)> elevatedStep;
    std::vector<std::string> elevatedRequests;
    std::map<TMachineFolder, std::string> machineFolders;
    std::set<std::string> foreignOwned; // folders someone but administrators owns
    bool desktopShell = true;           // the desktop shell can be reached
    bool IsElevated() override { return elevated; }
    TElevatedRun RunElevatedStep(const std::string& request) override {
        elevatedRequests.push_back(request);
        return elevatedStep ? elevatedStep(request) : TElevatedRun{ErrorCancelled, ""};
    }
    std::optional<std::string> MachineFolder(TMachineFolder folder) override {
        auto it = machineFolders.find(folder);
        return it == machineFolders.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    TAdminFolder PrepareAdminFolder(const std::string& path, unsigned& code) override {
        Record("PrepareAdminFolder(" + path + ")");
        if (folderLinks.count(path))
            return TAdminFolder::Link;
        if (foreignOwned.count(path))
            return TAdminFolder::ForeignOwner;
        if (auto failure = createFailures.find(path); failure != createFailures.end()) {
            code = static_cast<unsigned>(failure->second);
            return TAdminFolder::Failed;
        }
        folders.insert(path);
        return TAdminFolder::Ready;
    }
    bool OpenThroughDesktopShell(const std::string& target) override {
        Record("OpenThroughDesktopShell(" + target + ")");
        if (desktopShell)
            opened.push_back("desktop shell: " + target);
        return desktopShell;
    }
    void ShowMessage(const std::string& text) override {
        Record("ShowMessage(" + text + ")");
        messages.push_back(text);
    }
    // The scheduler's tasks by name, with their XML definitions; the code registrations and
    // removals fail with (0: they succeed).
    std::string userAccount = "PC\\Olga";
    std::map<std::string, std::string> tasks;
    unsigned taskFailure = 0;
    std::string UserAccount() override { return userAccount; }
    unsigned RegisterTask(const std::string& name, const std::string& xml) override {
        Record("RegisterTask(" + name + ")");
        if (!taskFailure)
            tasks[name] = xml;
        return taskFailure;
    }
    unsigned RemoveTask(const std::string& name) override {
        Record("RemoveTask(" + name + ")");
        if (!taskFailure)
            tasks.erase(name);
        return taskFailure;
    }
    std::optional<std::string> TaskProgram(const std::string& name) override {
        auto task = tasks.find(name);
        if (task == tasks.end())
            return std::nullopt;
        return XmlText(task->second, "Command").value_or("");
    }

    // Calls come from the window's thread and its icon workers (which read entries' details) alike.
    void Record(std::string call) {
        std::lock_guard<std::mutex> lock(callsMutex_);
        calls.push_back(std::move(call));
    }

private:
    // A copy of "folder\*.*": everything in the folder, into `to`.
    void CopyContent(const std::string& folder, const std::string& to) {
        folders.insert(to);
        for (std::set<std::string>* set : {&folders, &files}) {
            std::set<std::string> copies;
            for (const std::string& path : *set) {
                if (IsInside(path, folder))
                    copies.insert(to + path.substr(folder.size()));
            }
            set->insert(copies.begin(), copies.end());
        }
        std::map<std::string, std::string> texts;
        for (const auto& [path, text] : textFiles) {
            if (IsInside(path, folder))
                texts[to + path.substr(folder.size())] = text;
        }
        textFiles.insert(texts.begin(), texts.end());
    }
    class AppendFile : public TAppendFile {
    public:
        AppendFile(FakeShell& shell, std::string path) : shell_(shell), path_(std::move(path)) {}
        unsigned Append(const std::string& text) override {
            if (const unsigned code = shell_.AppendFailure())
                return code;
            shell_.textFiles[path_] += text;
            return 0;
        }

    private:
        FakeShell& shell_;
        std::string path_;
    };
    unsigned AppendFailure() {
        return appendFailure && appendsBeforeFailure-- <= 0 ? appendFailure : 0;
    }

    template <class Map>
    static void MoveKeys(Map& map, const std::string& from, const std::string& to) {
        Map moved;
        for (auto item = map.begin(); item != map.end();) {
            if (item->first == from || IsInside(item->first, from)) {
                moved.emplace(to + item->first.substr(from.size()), item->second);
                item = map.erase(item);
            } else {
                ++item;
            }
        }
        map.insert(moved.begin(), moved.end());
    }
    static bool IsInside(const std::string& path, const std::string& folder) {
        return path.compare(0, folder.size() + 1, folder + "\\") == 0;
    }
    // Every path there is: folders, files, text files and desktop.ini files.
    std::set<std::string> Everything() const {
        std::set<std::string> all(folders.begin(), folders.end());
        all.insert(files.begin(), files.end());
        for (const auto& file : textFiles)
            all.insert(file.first);
        for (const auto& ini : desktopInis)
            all.insert(ini.first + "\\desktop.ini");
        return all;
    }

    std::mutex callsMutex_;
    mutable std::mutex iconMutex_;
    std::vector<std::string> iconOrder_;
};
