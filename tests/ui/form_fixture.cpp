#include "form_fixture.h"

FormTest::FormTest() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), 0};
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES;
    CommonControls().InitCommonControlsEx(&controls);
    ResetCatalogue();
    shell.specialFolders[CSIDL_COMMON_PROGRAMS_ID] = CommonDir;
    shell.specialFolders[CSIDL_PROGRAMS_ID] = UserDir;
    shell.specialFolders[CSIDL_LOCAL_APPDATA_ID] = LocalAppData;
    shell.machineFolders[TMachineFolder::CommonPrograms] = CommonDir;
    shell.machineFolders[TMachineFolder::ProgramData] = "C:\\ProgramData";
    shell.folders.insert({LocalAppData, "C:\\ProgramData"});
    AcceptElevation(shell);
}

FormTest::~FormTest() {
    form.reset();
    PumpMessages();
    ResetCatalogue();
}

void FormTest::SetStartMenu(const std::vector<std::string>& common,
                            const std::vector<std::string>& user) {
    auto listing = [this](const std::vector<std::string>& names, const std::string& folder) {
        std::vector<std::string> all{".", ".."};
        for (const std::string& name : names) {
            all.push_back(name);
            shell.files.insert(folder + "\\" + name);
        }
        return all;
    };
    shell.listings[std::string(CommonDir) + "\\*.*"] = listing(common, CommonDir);
    shell.listings[std::string(UserDir) + "\\*.*"] = listing(user, UserDir);
}

void FormTest::Start() {
    form = std::make_unique<TMainForm>(shell,
                                       [this](const std::string& text) { errors.push_back(text); });
    form->Show(SW_SHOWNOACTIVATE);
    PumpMessages();
}

std::string FormTest::Text(ControlId id) const {
    return WindowText(Control(id));
}

void FormTest::Click(ControlId button) {
    SendMessageW(Control(button), BM_CLICK, 0, 0);
    PumpMessages();
}

void FormTest::ClickCategoryButton(int category) {
    HWND toolbar = Control(ControlId::ToolBar1);
    const TToolButton& button = form->CategoryButton(category);
    SendMessageW(GetParent(toolbar), WM_COMMAND, MAKEWPARAM(button.Command(), BN_CLICKED),
                 reinterpret_cast<LPARAM>(toolbar));
    PumpMessages();
}

bool FormTest::IsShown(ControlId id) const {
    return (GetWindowLongPtrW(Control(id), GWL_STYLE) & WS_VISIBLE) != 0;
}

std::vector<std::string> FormTest::Listed() const {
    std::vector<std::string> captions;
    HWND list = Control(ControlId::ListView1);
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
        wchar_t text[260] = {};
        ListView_GetItemText(list, i, 0, text, 260);
        captions.push_back(Narrow(text));
    }
    return captions;
}

std::vector<bool> FormTest::Checks() const {
    std::vector<bool> checks;
    HWND list = Control(ControlId::ListView1);
    for (int i = 0; i < ListView_GetItemCount(list); ++i)
        checks.push_back(ListView_GetCheckState(list, i) != 0);
    return checks;
}

void FormTest::SetCheck(int item, bool checked) {
    ListView_SetCheckState(Control(ControlId::ListView1), item, checked);
    PumpMessages();
}

std::vector<int32_t> FormTest::Assignments() const {
    std::vector<int32_t> categories;
    for (const TStartMenu& entry : StartMenuItems)
        categories.push_back(entry.Category);
    return categories;
}

bool FormTest::IsIndeterminate(int category) const {
    const LRESULT state = SendMessageW(Control(ControlId::ToolBar1), TB_GETSTATE,
                                       form->CategoryButton(category).Command(), 0);
    return (state & TBSTATE_INDETERMINATE) != 0;
}

int FormTest::Row(const std::string& caption) const {
    const std::vector<std::string> captions = Listed();
    for (size_t i = 0; i < captions.size(); ++i)
        if (captions[i] == caption)
            return static_cast<int>(i);
    ADD_FAILURE() << caption << " is not listed";
    return -1;
}

void FormTest::PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            continue; // a destroyed form's; the test decides when it ends
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}
