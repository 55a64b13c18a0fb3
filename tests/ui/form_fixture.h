// A real TMainForm over a FakeShell, with helpers that press its buttons and read its controls
// through window messages, as a user's input would reach them.
#pragma once

#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "support/fake_elevation.h"
#include "support/fake_shell.h"
#include "support/pixels.h"
#include "ui/UMainForm.h"
#include "win32/common_controls.h"
#include "win32/system.h"
#include "win32/text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using Names = std::vector<std::string>;
using Marks = std::vector<bool>;
using Categories = std::vector<int32_t>;

class FormTest : public ::testing::Test {
protected:
    static constexpr const char* CommonDir = "C:\\ProgramData\\Start Menu\\Programs";
    static constexpr const char* UserDir = "C:\\Users\\Olga\\Start Menu\\Programs";
    static constexpr const char* LocalAppData = "C:\\Users\\Olga\\AppData\\Local";

    FormTest();
    ~FormTest() override;

    // The top-level names of both Programs folders, as the listing returns them (and there as
    // files, for the moves).
    void SetStartMenu(const std::vector<std::string>& common, const std::vector<std::string>& user);
    // Creates the window and shows it, as the program does at start-up.
    void Start();

    HWND Control(ControlId id) const { return form->Control(id); }
    std::string Text(ControlId id) const;
    void Click(ControlId button);           // BM_CLICK, as a mouse click or the space bar
    void ClickCategoryButton(int category); // the command the toolbar sends for the button
    bool IsEnabled(ControlId id) const { return IsWindowEnabled(Control(id)) != 0; }
    bool IsShown(ControlId id) const;

    // The program list as shown, and its check marks.
    std::vector<std::string> Listed() const;
    std::vector<bool> Checks() const;
    void SetCheck(int item, bool checked);    // LVM_SETITEMSTATE, as the list does on a toggle
    std::vector<int32_t> Assignments() const; // each catalogue entry's category
    bool IsIndeterminate(int category) const;
    // Entries are listed by catalogue index; finds an entry's row by its caption.
    int Row(const std::string& caption) const;

    static void PumpMessages();

    FakeShell shell;
    std::vector<std::string> errors; // texts the standard error box would have shown
    std::unique_ptr<TMainForm> form;
};
