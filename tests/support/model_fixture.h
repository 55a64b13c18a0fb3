// Each model test starts from an empty catalogue over a fake shell whose Programs folders are
// `Common` and `User` (and whose local application data folder exists), and leaves an empty
// catalogue behind.
#pragma once

#include "actions/backup.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "support/fake_elevation.h"
#include "support/fake_shell.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

class ModelTest : public ::testing::Test {
protected:
    static inline const std::string Common = "C:\\ProgramData\\Start Menu\\Programs";
    static inline const std::string User = "C:\\Users\\Ann\\Start Menu\\Programs";
    static inline const std::string LocalAppData = "C:\\Users\\Ann\\AppData\\Local";
    static inline const std::string ProgramData = "C:\\ProgramData";

    FakeShell shell;

    void SetUp() override {
        ResetCatalogue();
        Prepare(shell);
    }
    // A fake shell over the folders above, whose user agrees to the all-users step's prompt.
    static void Prepare(FakeShell& fake) {
        fake.specialFolders[CSIDL_COMMON_PROGRAMS_ID] = Common;
        fake.specialFolders[CSIDL_PROGRAMS_ID] = User;
        fake.specialFolders[CSIDL_LOCAL_APPDATA_ID] = LocalAppData;
        fake.machineFolders[TMachineFolder::CommonPrograms] = Common;
        fake.machineFolders[TMachineFolder::ProgramData] = ProgramData;
        fake.folders.insert({LocalAppData, ProgramData});
        AcceptElevation(fake);
    }
    void TearDown() override { ResetCatalogue(); }
};

// The folder actions over a catalogue filled by hand, with both Programs folders located.
class ActionsTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        CommonProgramsDir = Common;
        UserProgramsDir = User;
    }
    // Adds an entry to the catalogue, and its file to the fake disk; returns its path.
    std::string Add(const std::string& name, int32_t category, bool isUser) {
        const std::string path = (isUser ? User : Common) + "\\" + name;
        StartMenuItems.push_back({path, category, isUser});
        shell.files.insert(path);
        return path;
    }
    // What the fake disk holds: folders, files, and text files with their content (the journals
    // among them).
    using Disk = std::tuple<std::set<std::string>, std::set<std::string>,
                            std::map<std::string, std::string>>;
    Disk OnDisk() const { return {shell.folders, shell.files, shell.textFiles}; }
    // The files (text files too) and folders below `folder`, by their paths relative to it.
    std::set<std::string> Below(const std::string& folder) const {
        std::set<std::string> below;
        const auto add = [&](const std::string& path) {
            if (path.rfind(folder + "\\", 0) == 0)
                below.insert(path.substr(folder.size() + 1));
        };
        for (const std::set<std::string>* set : {&shell.folders, &shell.files})
            std::for_each(set->begin(), set->end(), add);
        for (const auto& file : shell.textFiles)
            add(file.first);
        return below;
    }
    // A backup into `text` is refused with `message`, before anything is created or copied.
    void ExpectBackupRefused(const std::string& text, const std::string& message) {
        shell.messages.clear();
        const Disk before = OnDisk();
        EXPECT_FALSE(MakeBackup(shell, text)) << text;
        EXPECT_EQ(shell.messages, std::vector<std::string>{message}) << text;
        EXPECT_EQ(OnDisk(), before) << text;
        EXPECT_EQ(CallsStartingWith(shell.calls, "Copy("), std::vector<std::string>{}) << text;
    }
    // The lines of the distributions' journals, oldest journal first.
    std::vector<std::string> JournalLines() const {
        std::vector<std::string> lines;
        for (const auto& [path, text] : shell.textFiles) {
            if (path.rfind(LocalAppData + "\\Orvane\\", 0) != 0 &&
                path.rfind(ProgramData + "\\Orvane\\", 0) != 0)
                continue;
            for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
                 start = end + 2)
                lines.push_back(text.substr(start, end - start));
        }
        return lines;
    }
};
