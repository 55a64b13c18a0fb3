// Each model test starts from an empty catalogue over a fake shell whose Programs folders are
// `Common` and `User`, and leaves an empty catalogue behind.
#pragma once

#include "catalogue/scan.h"
#include "support/fake_shell.h"

#include <gtest/gtest.h>

#include <string>

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
