// A ShellServices that works on an in-memory picture of the file system and records every call,
// so tests can assert the exact sequence of folder tests, creations, shell operations and messages.
#pragma once

#include "shell/shell_services.h"

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class FakeShell : public ShellServices {
public:
    std::map<int, std::optional<std::string>> specialFolders;
    std::map<std::string, std::vector<std::string>> listings; // pattern -> names
    std::set<std::string> folders;                            // existing folders, no trailing "\"
    std::map<std::string, int> createFailures;                // folder -> OS error code
    std::map<std::string, ShellOpResult> opResults;           // from -> result (default success)
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

    std::vector<std::string> calls;    // every call but the icon ones, in order
    std::vector<std::string> messages; // texts passed to ShowMessage
    std::vector<std::string> opened;   // targets passed to OpenInShell
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
        calls.push_back("GetSpecialFolder(" + std::to_string(csidl) + ")");
        auto it = specialFolders.find(csidl);
        return it == specialFolders.end() ? std::nullopt : it->second;
    }
    std::vector<std::string> ListFolder(const std::string& pattern, unsigned attributes) override {
        calls.push_back("ListFolder(" + pattern + "," + std::to_string(attributes) + ")");
        auto it = listings.find(pattern);
        return it == listings.end() ? std::vector<std::string>{} : it->second;
    }
    bool FolderExists(const std::string& path) override {
        calls.push_back("FolderExists(" + path + ")");
        return folders.count(Trim(path)) != 0;
    }
    void CreateFolder(const std::string& path) override {
        calls.push_back("CreateFolder(" + path + ")");
        auto it = createFailures.find(Trim(path));
        if (it != createFailures.end())
            throw EInOutError(it->second);
        folders.insert(Trim(path));
    }
    ShellOpResult ShellFileOperation(ShellOp op, const std::string& from,
                                     const std::string& to) override {
        calls.push_back(std::string(op == ShellOp::Copy ? "Copy(" : "Move(") + from + " -> " + to +
                        ")");
        auto it = opResults.find(from);
        return it == opResults.end() ? ShellOpResult{} : it->second;
    }
    std::string ComparablePath(const std::string& path) override { return FoldedName(path); }
    // Folds the letter case of Latin, Greek and Cyrillic names, as the file system would.
    std::string FoldedName(const std::string& path) override {
        std::string out;
        for (size_t i = 0; i < path.size();) {
            const unsigned char lead = static_cast<unsigned char>(path[i]);
            const size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
            for (size_t k = 1; k < length && i + k < path.size(); ++k)
                cp = (cp << 6) | (static_cast<unsigned char>(path[i + k]) & 0x3F);
            i += length;
            if ((cp >= U'A' && cp <= U'Z') || (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) ||
                (cp >= 0x391 && cp <= 0x3AB) || (cp >= 0x410 && cp <= 0x42F))
                cp += 0x20;
            else if (cp >= 0x400 && cp <= 0x40F)
                cp += 0x50;
            if (cp < 0x80) {
                out += static_cast<char>(cp);
            } else if (cp < 0x800) {
                out += static_cast<char>(0xC0 | (cp >> 6));
                out += static_cast<char>(0x80 | (cp & 0x3F));
            } else if (cp < 0x10000) {
                out += static_cast<char>(0xE0 | (cp >> 12));
                out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                out += static_cast<char>(0x80 | (cp & 0x3F));
            } else {
                out += static_cast<char>(0xF0 | (cp >> 18));
                out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
                out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                out += static_cast<char>(0x80 | (cp & 0x3F));
            }
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
        calls.push_back("WriteDesktopIni(" + folder + "," + section + "," + key + "=" + value +
                        ")");
        auto failure = iniWriteFailures.find(folder);
        if (failure != iniWriteFailures.end())
            return failure->second;
        desktopInis[folder][section].emplace_back(key, value);
        return 0;
    }
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
        calls.push_back("OpenInShell(" + target + ")");
        opened.push_back(target);
    }
    bool elevated = false;
    bool desktopShell = true; // the desktop shell can be reached
    bool IsElevated() override { return elevated; }
    bool OpenThroughDesktopShell(const std::string& target) override {
        calls.push_back("OpenThroughDesktopShell(" + target + ")");
        if (desktopShell)
            opened.push_back("desktop shell: " + target);
        return desktopShell;
    }
    void ShowMessage(const std::string& text) override {
        calls.push_back("ShowMessage(" + text + ")");
        messages.push_back(text);
    }

private:
    mutable std::mutex iconMutex_;
    std::vector<std::string> iconOrder_;
};
