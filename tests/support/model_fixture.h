// Each model test starts from an empty catalogue over a fake shell whose Programs folders are
// `Common` and `User` (and whose local application data folder exists), and leaves an empty
// catalogue behind.
#pragma once

#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "support/fake_shell.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

class ModelTest : public ::testing::Test {
protected:
    static inline const std::string Common = "C:\\ProgramData\\Start Menu\\Programs";
    static inline const std::string User = "C:\\Users\\Ann\\Start Menu\\Programs";
    static inline const std::string LocalAppData = "C:\\Users\\Ann\\AppData\\Local";

    FakeShell shell;

    void SetUp() override {
        ResetCatalogue();
        shell.specialFolders[CSIDL_COMMON_PROGRAMS_ID] = Common;
        shell.specialFolders[CSIDL_PROGRAMS_ID] = User;
        shell.specialFolders[CSIDL_LOCAL_APPDATA_ID] = LocalAppData;
        shell.folders.insert(LocalAppData);
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
    // The calls on the Start menu and the backup folders, without those that keep the journal.
    std::vector<std::string> FolderCalls() const {
        std::vector<std::string> calls;
        for (const std::string& call : shell.calls) {
            if (call.find(LocalAppData) == std::string::npos &&
                call.rfind("GetSpecialFolder(", 0) != 0)
                calls.push_back(call);
        }
        return calls;
    }
};
