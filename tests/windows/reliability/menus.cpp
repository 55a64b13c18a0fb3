#include "windows/reliability/reliability.h"

#include <random>

namespace {

const std::vector<std::vector<std::string>> NamePools = {
    {"Text Editor", "Chess", "Mail Client", "Media Player", "Backup Tool", "Calculator", "Paint"},
    {"Редактор", "Почта", "Шахматы", "Калькулятор", "Ёлка", "Проигрыватель", "Словарь"},
    {"Αρχεία", "Παιχνίδια", "Μουσική", "Επεξεργαστής", "Ημερολόγιο", "Σκάκι"},
    {"メモ帳", "ゲーム", "電卓", "写真ビューア", "辞書", "音楽"},
    {"Player 5.5", "Setup.v2.1", "Tool.1.2", "a.b.c", "Release.Notes"}, // several dots
};
const std::vector<std::string> FileExtensions = {".txt", ".url", ".exe", ".dat", ".pif", ""};

class MenuGenerator {
public:
    explicit MenuGenerator(uint32_t seed) : random_(seed) {}

    MenuPlan Generate(uint32_t seed) {
        MenuPlan plan;
        plan.seed = seed;
        GenerateRoot(plan.common, {});
        // One or two names of the all-users folder appear in the user's folder too.
        std::vector<std::pair<std::string, Kind>> shared;
        for (const auto& [name, kind] : plan.common.kinds) {
            if (shared.size() < 2 && Chance(30))
                shared.push_back({name, kind});
        }
        GenerateRoot(plan.user, shared);
        return plan;
    }

private:
    bool Chance(unsigned percent) { return random_() % 100 < percent; }
    size_t Pick(size_t count) { return random_() % count; }

    static std::wstring Folded(const std::string& name) {
        std::wstring wide = Widen(name);
        CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
        return wide;
    }

    // A name from one of the pools with a number, or a 150-character one, unique in `taken`
    // regardless of letter case, and never a category's name in any letter case.
    std::string NewName(std::set<std::wstring>& taken, const std::string& extension,
                        bool allowLong) {
        for (;;) {
            const std::vector<std::string>& pool = NamePools[Pick(NamePools.size())];
            const std::string word = pool[Pick(pool.size())];
            std::string name;
            if (allowLong && Chance(8)) {
                // 150 UTF-16 units including the extension, ending in neither space nor dot. The
                // filler is Latin: under Wine a name is a Linux file name, at most 255 UTF-8 bytes.
                const size_t length = 150 - Widen(extension).size();
                std::wstring wide = Widen(std::to_string(random_() % 1000) + " " + word);
                while (wide.size() < length)
                    wide += L" long name";
                wide.resize(length);
                if (wide.back() == L' ' || wide.back() == L'.')
                    wide.back() = L'x';
                name = Narrow(wide) + extension;
            } else {
                name = word + " " + std::to_string(1 + random_() % 999) + extension;
            }
            bool clashes = taken.count(Folded(name)) != 0;
            for (const std::string& category : CategoryNames)
                clashes = clashes || Folded(category) == Folded(name);
            if (!clashes) {
                taken.insert(Folded(name));
                return name;
            }
        }
    }

    std::string Content() {
        std::string content(Pick(3000), '\0');
        for (char& ch : content)
            ch = static_cast<char>(random_());
        return content;
    }

    DWORD FileAttributes() {
        DWORD attributes = 0;
        if (Chance(15))
            attributes |= FILE_ATTRIBUTE_HIDDEN;
        if (Chance(10))
            attributes |= FILE_ATTRIBUTE_SYSTEM;
        if (Chance(10))
            attributes |= FILE_ATTRIBUTE_READONLY;
        return attributes;
    }

    void AddFile(PlannedRoot& root, const std::string& relative, bool shortcut) {
        root.files.push_back({relative, shortcut ? "" : Content(), shortcut, FileAttributes()});
    }

    void AddDesktopIni(PlannedRoot& root, const std::string& folder) {
        const std::string name = Chance(50) ? "desktop.ini" : "Desktop.INI";
        root.files.push_back(
            {folder.empty() ? name : folder + "\\" + name,
             "[.ShellClassInfo]\r\nLocalizedResourceName=" + std::to_string(random_()), false,
             FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM});
    }

    // The content of a program group: shortcuts, files, nested groups (to `depth` more levels),
    // empty folders and sometimes a desktop.ini.
    void FillGroup(PlannedRoot& root, const std::string& folder, int depth) {
        std::set<std::wstring> taken;
        taken.insert(Folded("desktop.ini"));
        const size_t count = 1 + Pick(4);
        for (size_t i = 0; i < count; ++i) {
            const unsigned kind = random_() % 100;
            if (kind < 40) {
                AddFile(root, folder + "\\" + NewName(taken, ".lnk", false), true);
            } else if (kind < 70) {
                const std::string& ext = FileExtensions[Pick(FileExtensions.size())];
                AddFile(root, folder + "\\" + NewName(taken, ext, false), false);
            } else if (kind < 90 && depth > 0) {
                const std::string sub = folder + "\\" + NewName(taken, "", false);
                root.folders.push_back({sub, Chance(10) ? DWORD(FILE_ATTRIBUTE_HIDDEN) : 0});
                FillGroup(root, sub, depth - 1);
            } else {
                root.folders.push_back({folder + "\\" + NewName(taken, "", false), 0});
            }
        }
        if (Chance(25))
            AddDesktopIni(root, folder);
    }

    void AddEntry(PlannedRoot& root, const std::string& name, Kind kind) {
        switch (kind) {
        case Kind::Shortcut:
            AddFile(root, name, true);
            break;
        case Kind::File:
            AddFile(root, name, false);
            break;
        case Kind::Group:
            root.folders.push_back({name, Chance(10) ? DWORD(FILE_ATTRIBUTE_HIDDEN) : 0});
            // A group with a 150-character name holds one short file, to stay within MAX_PATH.
            if (Widen(name).size() > 100)
                AddFile(root, name + "\\a.lnk", true);
            else
                FillGroup(root, name, 2);
            break;
        case Kind::EmptyFolder:
            root.folders.push_back({name, 0});
            break;
        }
        root.kinds[name] = kind;
        root.entries[name] = Chance(65) ? static_cast<int32_t>(Pick(CategoryCount)) : NoCategory;
    }

    void GenerateRoot(PlannedRoot& root, const std::vector<std::pair<std::string, Kind>>& shared) {
        std::set<std::wstring> taken;
        taken.insert(Folded("desktop.ini"));
        for (const auto& [name, kind] : shared) {
            taken.insert(Folded(name));
            AddEntry(root, name, kind);
        }
        const size_t count = 4 + Pick(7);
        for (size_t i = 0; i < count; ++i) {
            const unsigned roll = random_() % 100;
            if (roll < 35) {
                AddEntry(root, NewName(taken, ".lnk", true), Kind::Shortcut);
            } else if (roll < 55) {
                const std::string& ext = FileExtensions[Pick(FileExtensions.size())];
                AddEntry(root, NewName(taken, ext, true), Kind::File);
            } else if (roll < 90) {
                AddEntry(root, NewName(taken, "", true), Kind::Group);
            } else {
                AddEntry(root, NewName(taken, "", false), Kind::EmptyFolder);
            }
        }
        if (Chance(70)) {
            // The Programs folder's own desktop.ini, read by the shell, naming some entries.
            std::string text = "[.ShellClassInfo]\r\nLocalizedResourceName=@shell32.dll,-21782\r\n"
                               "[LocalizedFileNames]\r\n";
            for (const auto& [name, kind] : root.kinds) {
                if ((kind == Kind::Shortcut || kind == Kind::File) && Chance(40)) {
                    root.localizedNames[name] = "Имя " + std::to_string(random_() % 1000);
                    text += name + "=" + root.localizedNames[name] + "\r\n";
                }
            }
            const std::wstring wide = L"\xFEFF" + Widen(text);
            root.files.push_back({"desktop.ini",
                                  std::string(reinterpret_cast<const char*>(wide.data()),
                                              wide.size() * sizeof(wchar_t)),
                                  false, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM});
            root.readsDesktopIni = true;
        }
        if (Chance(20)) // another .ini file, which the scan skips as well
            AddFile(root, NewName(taken, ".ini", false), false);
        if (Chance(40)) {
            // A category folder left from before, with content of its own.
            const std::string category = CategoryNames[Pick(CategoryCount)];
            root.folders.push_back({category, 0});
            AddFile(root, category + "\\Прежнее " + std::to_string(random_() % 100) + ".lnk", true);
            root.folders.push_back({category + "\\Прежняя группа", 0});
            AddFile(root, category + "\\Прежняя группа\\readme.txt", false);
        }
    }

    std::mt19937 random_;
};

// The longest category name, in UTF-16 units: the deepest place an entry can be moved to.
size_t LongestCategoryName() {
    size_t longest = 0;
    for (const std::string& name : CategoryNames)
        longest = std::max(longest, Widen(name).size());
    return longest;
}

} // namespace

// Moves every file and folder of a picture whose top-level entry was assigned a category into
// that category's folder, as the distribution must.
Tree Relocated(const Tree& before, const std::map<std::string, int32_t>& categories) {
    auto place = [&](const std::string& path) {
        const size_t cut = path.find('\\');
        const auto entry = categories.find(path.substr(0, cut));
        if (entry == categories.end() || entry->second == NoCategory)
            return path;
        return CategoryNames[static_cast<size_t>(entry->second)] + "\\" + path;
    };
    Tree after;
    for (const auto& [path, sum] : before.files)
        EXPECT_TRUE(after.files.emplace(place(path), sum).second) << "two files at " << place(path);
    for (const std::string& folder : before.folders)
        after.folders.insert(place(folder));
    for (const auto& [name, category] : categories) {
        if (category != NoCategory)
            after.folders.insert(CategoryNames[static_cast<size_t>(category)]);
    }
    return after;
}

MenuPlan PlanMenu(int menu) {
    const uint32_t seed = MenuSeed + static_cast<uint32_t>(menu);
    return MenuGenerator(seed).Generate(seed);
}

// Paths of the plan that would reach MAX_PATH in place, in the deepest category folder or in the
// backup (folders must leave room for an 8.3 name, 248; files for the terminating NUL, 260), and
// names longer than a Linux file name can be under Wine (255 UTF-8 bytes).
std::vector<std::string> PathsTooLong(const MenuPlan& plan, const MenuPlaces& places) {
    std::vector<std::string> tooLong;
    const size_t category = LongestCategoryName() + 1;
    auto check = [&](const std::string& root, const std::string& backup,
                     const std::string& relative, size_t limit) {
        const size_t inPlace = Widen(root + "\\" + relative).size();
        const size_t longest = std::max(inPlace + category, Widen(backup + relative).size());
        if (longest >= limit || FileNameOf(relative).size() > 255)
            tooLong.push_back(root + "\\" + relative + " (" + std::to_string(longest) + ")");
    };
    const std::pair<const PlannedRoot*, std::pair<std::string, std::string>> roots[] = {
        {&plan.common, {places.common, places.backup + "Common_Programs\\"}},
        {&plan.user, {places.user, places.backup + "Programs\\"}}};
    for (const auto& [root, where] : roots) {
        for (const PlannedFolder& folder : root->folders)
            check(where.first, where.second, folder.relative, 248);
        for (const PlannedFile& file : root->files)
            check(where.first, where.second, file.relative, MAX_PATH);
    }
    return tooLong;
}

void Materialise(const PlannedRoot& root, const std::string& folder) {
    MakeFolders(folder);
    for (const PlannedFolder& planned : root.folders)
        MakeFolders(folder + "\\" + planned.relative);
    for (const PlannedFile& file : root.files) {
        const std::string path = folder + "\\" + file.relative;
        const bool made =
            file.shortcut ? MakeShortcut(path, NotepadPath()) : WriteFile(path, file.content);
        ASSERT_TRUE(made) << path;
        if (file.attributes) {
            ASSERT_TRUE(AddAttributes(path, file.attributes)) << path;
        }
    }
    for (const PlannedFolder& planned : root.folders) {
        if (planned.attributes) {
            ASSERT_TRUE(AddAttributes(folder + "\\" + planned.relative, planned.attributes));
        }
    }
    if (root.readsDesktopIni) {
        ASSERT_TRUE(AddAttributes(folder, FILE_ATTRIBUTE_SYSTEM));
    }
}

std::set<std::string> ScannedNames(bool isUser) {
    std::set<std::string> names;
    for (const TStartMenu& entry : StartMenuItems) {
        if (entry.IsUser == isUser)
            names.insert(FileNameOf(entry.Path));
    }
    return names;
}

std::set<std::string> Keys(const std::map<std::string, int32_t>& entries) {
    std::set<std::string> keys;
    for (const auto& entry : entries)
        keys.insert(entry.first);
    return keys;
}

// The folder's picture after the distribution, once the names of the moved entries have been found
// in their category folders' desktop.ini files, which are then left out of the picture.
Tree WithoutNamesKept(const std::string& folder, const PlannedRoot& root) {
    Tree tree = Snapshot(folder);
    std::set<std::string> categories;
    for (const auto& [name, category] : root.entries) {
        const auto localized = root.localizedNames.find(name);
        if (category == NoCategory || localized == root.localizedNames.end())
            continue;
        const std::string categoryFolder = CategoryNames[static_cast<size_t>(category)];
        wchar_t value[256] = {};
        GetPrivateProfileStringW(L"LocalizedFileNames", Widen(name).c_str(), L"", value, 256,
                                 Widen(folder + "\\" + categoryFolder + "\\desktop.ini").c_str());
        EXPECT_EQ(Narrow(value), localized->second) << name << " in " << categoryFolder;
        categories.insert(categoryFolder + "\\desktop.ini");
    }
    for (const std::string& ini : categories)
        EXPECT_EQ(tree.files.erase(ini), 1u) << ini;
    return tree;
}
