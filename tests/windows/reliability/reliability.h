// Shared by the reliability suites, which run the backup and the distribution on real folders
// through the real shell: generated Start menus, the pictures expected after a distribution, and
// the fixture.
#pragma once

#include "actions/backup.h"
#include "actions/distribution.h"
#include "actions/undo.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "support/folders.h"
#include "support/sandboxed_shell.h"
#include "win32/handles.h"
#include "win32/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// The I/O error an action raised, as its code and the standard error box's text; {0, ""} if none.
template <typename Action> std::pair<int, std::string> IoFailure(Action&& action) {
    try {
        action();
    } catch (const EInOutError& e) {
        return {e.Code(), ErrorBoxText(e.what())};
    }
    return {0, ""};
}

inline bool IsDecimal(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
}

// Moves every file and folder of a picture whose top-level entry was assigned a category into
// that category's folder, as the distribution must.
Tree Relocated(const Tree& before, const std::map<std::string, int32_t>& categories);

class ReliabilityTest : public ::testing::Test {
protected:
    TComScope com;
    TempFolder temp;
    SandboxedShell shell;
    void SetUp() override {
        ResetCatalogue();
        MakeFolders(At("AppData"));
        MakeFolders(At("ProgramData"));
        shell.localAppData = At("AppData");
        shell.programData = At("ProgramData");
    }
    void TearDown() override { ResetCatalogue(); }
    std::string At(const std::string& relative) const { return temp.At(relative); }
    // The catalogue entry with this file name and origin.
    TStartMenu& Entry(const std::string& name, bool isUser) {
        for (TStartMenu& entry : StartMenuItems) {
            if (entry.IsUser == isUser && FileNameOf(entry.Path) == name)
                return entry;
        }
        throw std::runtime_error("no catalogue entry " + name);
    }
};

// --- Generated Start menus -------------------------------------------------------------------

constexpr uint32_t MenuSeed = 20260413;
constexpr int MenusPerCase = 10;
constexpr int MenuCases = 5;

enum class Kind { Shortcut, File, Group, EmptyFolder };

struct PlannedFile {
    std::string relative;
    std::string content; // for plain files; shortcuts are made by the shell's link object
    bool shortcut = false;
    DWORD attributes = 0;
};

struct PlannedFolder {
    std::string relative; // parents come before their children
    DWORD attributes = 0;
};

// One generated Programs folder.
struct PlannedRoot {
    std::vector<PlannedFolder> folders;
    std::vector<PlannedFile> files;
    std::map<std::string, std::string> localizedNames; // its desktop.ini's names of its entries
    bool readsDesktopIni = false;                      // marked so that the shell reads it
    std::map<std::string, int32_t> entries; // top-level names the scan lists -> assigned category
    std::map<std::string, Kind> kinds;      // the same names -> what they are
};

struct MenuPlan {
    uint32_t seed = 0;
    PlannedRoot common, user;
    size_t Moved() const {
        size_t moved = 0;
        for (const PlannedRoot* root : {&common, &user}) {
            for (const auto& entry : root->entries)
                moved += entry.second != NoCategory;
        }
        return moved;
    }
};

// Names in the scripts a Start menu meets; none begins with "Прежн", which marks what a category
// folder held before the run, so nothing moved into it can clash with that.

// The plan of generated menu number `menu`: the same on every run.
MenuPlan PlanMenu(int menu);

struct MenuPlaces {
    std::string common, user, backup;
    explicit MenuPlaces(const std::string& base)
        : common(base + "\\All\\Programs"), user(base + "\\Мой\\Programs"),
          backup(base + "\\Копия\\") {}
};

// Paths of the plan that would reach MAX_PATH in place, in the deepest category folder or in the
// backup, and names longer than a Linux file name can be under Wine (255 UTF-8 bytes).
std::vector<std::string> PathsTooLong(const MenuPlan& plan, const MenuPlaces& places);
// Makes the planned folder on disk.
void Materialise(const PlannedRoot& root, const std::string& folder);
// The names the scan listed from one Programs folder.
std::set<std::string> ScannedNames(bool isUser);
std::set<std::string> Keys(const std::map<std::string, int32_t>& entries);
// The folder's picture after the distribution, once the names of the moved entries have been found
// in their category folders' desktop.ini files, which are then left out of the picture.
Tree WithoutNamesKept(const std::string& folder, const PlannedRoot& root);
