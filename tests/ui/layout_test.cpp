// The main window's layout, stated as properties at 96, 120, 144 and 192 DPI: every text fits its
// control, every control lies inside its page, no two visible controls overlap, the designed
// places and sizes are the least ones, and anchored edges keep their distances in a resize.
#include "form_fixture.h"

#include <commctrl.h>

#include <map>

namespace {

using C = ControlId;

RECT RectInParent(HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

SIZE ClientSize(HWND window) {
    RECT rect;
    GetClientRect(window, &rect);
    return {rect.right, rect.bottom};
}

bool Overlap(const RECT& a, const RECT& b) {
    RECT both;
    return IntersectRect(&both, &a, &b) != FALSE;
}

// The room a control's text takes in the control's own font, measured as the control breaks it.
SIZE TextSize(HWND control) {
    wchar_t text[1024] = {};
    GetWindowTextW(control, text, 1024);
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    wchar_t className[32] = {};
    GetClassNameW(control, className, 32);
    // A word-wrapped label, or a check box whose text wraps beside its box.
    const bool option = std::wstring(className) == L"Button" && (style & BS_MULTILINE);
    const bool wraps =
        option || (std::wstring(className) == L"Static" && (style & SS_TYPEMASK) == SS_LEFT);
    const int box = option ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 0;
    HDC dc = GetDC(control);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT rect{0, 0, ClientSize(control).cx - box, 0};
    DrawTextW(dc, text, -1, &rect,
              DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return {rect.right + box, rect.bottom};
}

class Layout : public FormTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        SetStartMenu({"Writer.lnk"}, {});
        Start();
        if (GetParam() != form->Dpi()) {
            // What Windows sends when the window moves to a monitor of another DPI.
            RECT window;
            GetWindowRect(form->Handle(), &window);
            RECT suggested{window.left, window.top, window.left + Scale(750, GetParam()),
                           window.top + Scale(562, GetParam())};
            SendMessageW(form->Handle(), WM_DPICHANGED, MAKEWPARAM(GetParam(), GetParam()),
                         reinterpret_cast<LPARAM>(&suggested));
            PumpMessages();
        }
        ASSERT_EQ(form->Dpi(), GetParam());
    }

    int S(int value) const { return Scale(value, GetParam()); }

    void ResizeWindowBy(int dx, int dy) {
        RECT window;
        GetWindowRect(form->Handle(), &window);
        SetWindowPos(form->Handle(), nullptr, 0, 0, window.right - window.left + dx,
                     window.bottom - window.top + dy, SWP_NOMOVE | SWP_NOZORDER);
        PumpMessages();
    }

    SIZE MinimumSize() {
        MINMAXINFO info{};
        SendMessageW(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        return {info.ptMinTrackSize.x, info.ptMinTrackSize.y};
    }

    // Every page in turn, so that its controls are visible.
    template <class Check> void OnEveryPage(Check&& check) {
        Click(C::Button6);
        check(); // the final page
        Click(C::Button5);
        check(); // the category page
        Click(C::Button5);
        check(); // the welcome page
    }

    // Each visible control: its text fits it, it is inside its parent and overlaps none of its
    // visible siblings.
    void ExpectEveryTextFitsAndNothingOverlaps() {
        for (const TControlLayout& layout : FormLayout) {
            HWND control = Control(layout.Id);
            if (!IsWindowVisible(control))
                continue;
            SCOPED_TRACE(layout.Name);
            const SIZE client = ClientSize(control);
            if (layout.Kind == TControlKind::Button || layout.Kind == TControlKind::CheckBox) {
                SIZE ideal{};
                ASSERT_TRUE(
                    SendMessageW(control, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
                EXPECT_LE(ideal.cx, client.cx);
                EXPECT_LE(TextSize(control).cy, client.cy);
            } else if (layout.Text) {
                EXPECT_LE(TextSize(control).cx, client.cx);
                EXPECT_LE(TextSize(control).cy, client.cy);
            }
            const RECT rect = RectInParent(control);
            const SIZE parent = ClientSize(GetParent(control));
            EXPECT_GE(rect.left, 0);
            EXPECT_GE(rect.top, 0);
            EXPECT_LE(rect.right, parent.cx);
            EXPECT_LE(rect.bottom, parent.cy);
            for (const TControlLayout& other : FormLayout) {
                HWND sibling = Control(other.Id);
                if (&other < &layout && other.Parent == layout.Parent && IsWindowVisible(sibling)) {
                    EXPECT_FALSE(Overlap(rect, RectInParent(sibling))) << other.Name;
                }
            }
        }
    }
};

TEST_P(Layout, EveryTextFitsAndNothingOverlapsAtTheLeastSizeAndWhenWider) {
    OnEveryPage([&] { ExpectEveryTextFitsAndNothingOverlaps(); });
    ResizeWindowBy(S(200), S(120));
    OnEveryPage([&] { ExpectEveryTextFitsAndNothingOverlaps(); });
}

TEST_P(Layout, NoControlIsSmallerOrHigherUpThanDesigned) {
    HWND toolbar = Control(C::ToolBar1);
    for (const TControlLayout& layout : FormLayout) {
        SCOPED_TRACE(layout.Name);
        const RECT rect = RectInParent(Control(layout.Id));
        EXPECT_GE(rect.left, S(layout.Left));
        EXPECT_GE(rect.top, S(layout.Top));
        EXPECT_GE(rect.right - rect.left, S(layout.Width));
        // The list gives up height to the tool bar's rows of buttons.
        if (layout.Id != C::ListView1) {
            EXPECT_GE(rect.bottom - rect.top, S(layout.Height));
        }
    }
    EXPECT_EQ(RectInParent(toolbar).right, ClientSize(Control(C::TabSheet2)).cx);
    EXPECT_GE(RectInParent(toolbar).bottom, RectInParent(Control(C::Label1)).bottom + S(60));
}

TEST_P(Layout, AnchoredEdgesKeepTheirDistancesInAResize) {
    auto distances = [&] {
        std::map<ControlId, RECT> out;
        const int toolbarBottom = RectInParent(Control(C::ToolBar1)).bottom;
        for (const TControlLayout& layout : FormLayout) {
            HWND control = Control(layout.Id);
            const RECT rect = RectInParent(control);
            const SIZE parent = ClientSize(GetParent(control));
            // Below the tool bar, tops keep to its bottom, which moves as its buttons wrap.
            const bool belowToolbar = layout.Parent == C::TabSheet2 &&
                                      layout.Kind != TControlKind::ToolBar &&
                                      layout.Id != C::Label1;
            out[layout.Id] = {rect.left, rect.top - (belowToolbar ? toolbarBottom : 0),
                              parent.cx - rect.right, parent.cy - rect.bottom};
        }
        return out;
    };
    const auto before = distances();
    ResizeWindowBy(S(200), S(120));
    const auto after = distances();
    for (const TControlLayout& layout : FormLayout) {
        SCOPED_TRACE(layout.Name);
        const RECT& b = before.at(layout.Id);
        const RECT& a = after.at(layout.Id);
        // Each edge the control is anchored to keeps its distance to the parent's edge.
        const RECT kept{layout.Anchors & akLeft ? b.left : a.left,
                        layout.Anchors & akTop ? b.top : a.top,
                        layout.Anchors & akRight ? b.right : a.right,
                        layout.Anchors & akBottom ? b.bottom : a.bottom};
        EXPECT_TRUE(EqualRect(&a, &kept))
            << a.left << "," << a.top << "," << a.right << "," << a.bottom << " instead of "
            << kept.left << "," << kept.top << "," << kept.right << "," << kept.bottom;
    }
    const RECT list = RectInParent(Control(C::ListView1));
    EXPECT_GE(list.right - list.left, S(711) + S(200));
}

TEST_P(Layout, TheWindowCannotBeMadeSmallerThanItsLeastSize) {
    const SIZE least = MinimumSize();
    ResizeWindowBy(-S(300), -S(300));
    RECT window;
    GetWindowRect(form->Handle(), &window);
    EXPECT_EQ(window.right - window.left, least.cx);
    EXPECT_EQ(window.bottom - window.top, least.cy);
}

INSTANTIATE_TEST_SUITE_P(Dpi, Layout, ::testing::Values(96, 120, 144, 192),
                         [](const auto& info) { return std::to_string(info.param); });

// Refuses to create list views, as a system short of resources might.
LRESULT CALLBACK RefuseListViews(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const wchar_t* windowClass = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs->lpszClass;
        if (!IS_INTRESOURCE(windowClass) && std::wstring(windowClass) == WC_LISTVIEWW)
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL CALLBACK CountMainWindows(HWND window, LPARAM count) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    *reinterpret_cast<int*>(count) += std::wstring(name) == L"TMainForm";
    return TRUE;
}

TEST_F(FormTest, AControlThatCannotBeCreatedLeavesNoHalfBuiltWindowAndSaysWhich) {
    SetStartMenu({"Writer.lnk"}, {});
    HHOOK hook = SetWindowsHookExW(WH_CBT, RefuseListViews, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    std::string failure;
    try {
        TMainForm refused(shell, [](const std::string&) {});
    } catch (const std::exception& e) {
        failure = e.what();
    }
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(failure, "Не удаётся создать элемент окна ListView1");
    int windows = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountMainWindows, reinterpret_cast<LPARAM>(&windows));
    EXPECT_EQ(windows, 0);
    EXPECT_TRUE(shell.calls.empty()) << "the window went on to scan: " << shell.calls.front();
}

class Window : public FormTest {
protected:
    void SetUp() override {
        SetStartMenu({"Writer.lnk"}, {});
        Start();
    }
};

TEST_F(Window, OpensCentredAtItsLeastSizeWithItsCaptionFrameAndIcon) {
    EXPECT_EQ(Text(C::Form), "Orvane");
    RECT window;
    GetWindowRect(form->Handle(), &window);
    MINMAXINFO info{};
    SendMessageW(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    const POINT least = info.ptMinTrackSize;
    EXPECT_EQ(window.right - window.left, least.x);
    EXPECT_EQ(window.bottom - window.top, least.y);
    EXPECT_GE(least.x, Scale(750, form->Dpi()));
    EXPECT_GE(least.y, Scale(562, form->Dpi()));
    EXPECT_NEAR((window.left + window.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(form->Handle(), GWL_STYLE)) &
                  WS_OVERLAPPEDWINDOW,
              WS_OVERLAPPEDWINDOW);
    EXPECT_NE(GetClassLongPtrW(form->Handle(), GCLP_HICON), 0u);
}

// The window has the version-6 common controls that the manifest asks for, and the program's table
// holds them: a push button answers BCM_GETIDEALSIZE, which only version 6 knows (under Wine,
// comctl32's DllGetVersion says 5.81 whichever version it acts as).
TEST_F(Window, UsesTheVersion6CommonControls) {
    EXPECT_EQ(CommonControls().Module, GetModuleHandleW(L"comctl32.dll"));
    SIZE ideal{};
    EXPECT_TRUE(
        SendMessageW(Control(C::Button4), BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
    EXPECT_GT(ideal.cx, 0);
}

TEST_F(Window, TextsAreAsDesigned) {
    const std::map<ControlId, std::string> texts = {
        {C::Button4, "Далее >"},
        {C::Button5, "< Назад"},
        {C::Button6, "Готово"},
        {C::Label1, "  Категория:"},
        {C::Label4, "Создать резервную копию в папке:"},
        {C::Button7, "Сделать копию !"},
        {C::Button8, "Начать обработку"},
        {C::Button9, "Вернуть как было"},
        {C::Button2, "Выделить все"},
        {C::Button3, "Снять выделение"},
        {C::Button10, "Предложить категории"},
        {C::CheckBox1, "Поддерживать порядок после обновлений программ"},
        {C::CheckBox2, "Убрать ярлыки удалённых программ"},
        {C::CheckBox3, "Не переносить в категории ссылки удаления, справки и сайтов"},
        {C::Label6,
         "После завершения работы программы вы получите из запутанного компактное меню."},
        {C::Label9, "У вас возникли пожелания или вопросы? Пишите нам -"},
        {C::Label10, "support@orvane.example"},
        {C::Label12, "Просто попробуйте -"},
        {C::Label13, "https://lintrowe.example/"},
        {C::Label7, "Отметьте галочкой те программы, которые относятся к текущей категории и "
                    "нажмите на кнопку \"Далее >\""},
    };
    for (const auto& [id, text] : texts)
        EXPECT_EQ(Text(id), text) << LayoutOf(id).Name;
    EXPECT_EQ(Text(C::Label2).rfind("Данная программа предназначена для наведения порядка в меню "
                                    "\"Пуск\".",
                                    0),
              0u);
    EXPECT_NE(Text(C::Label11).find("попробовать программу Lintrowe."), std::string::npos);
}

TEST_F(Window, LinksAreBlueWithAHandCursor) {
    Click(C::Button6);
    HWND page = Control(C::TabSheet3);
    HDC dc = CreateCompatibleDC(nullptr);
    for (ControlId id : {C::Label10, C::Label13, C::Label9}) {
        SendMessageW(page, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(Control(id)));
        EXPECT_EQ(GetTextColor(dc), id == C::Label9 ? GetSysColor(COLOR_BTNTEXT) : RGB(0, 0, 255));
        const LRESULT handled =
            SendMessageW(page, WM_SETCURSOR, reinterpret_cast<WPARAM>(Control(id)),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(handled != 0, id != C::Label9);
    }
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
    DeleteDC(dc);
}

// Keys through the program's own message loop: Tab and Shift+Tab visit each page's controls in
// the designed order, the arrows and Enter or Space choose a category on the tool bar, and Space
// ticks the focused entry.
TEST_F(Window, TheKeyboardThroughTheMessageLoopWalksEveryPageAndDrivesTheCategoryPage) {
    const auto press = [this](WPARAM key, bool shift = false) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
        PostMessageW(GetFocus(), WM_KEYUP, key, 0xC0000001);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            ProcessMessage(*form, message);
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
    };
    const auto tabs = [&](int count, bool back) {
        std::vector<ControlId> visited;
        for (int i = 0; i < count; ++i) {
            press(VK_TAB, back);
            visited.push_back(static_cast<ControlId>(GetDlgCtrlID(GetFocus())));
        }
        return visited;
    };
    SetFocus(Control(C::Button4));
    EXPECT_EQ(tabs(2, false), (std::vector<ControlId>{C::Button6, C::Button4})); // Back disabled
    Click(C::Button4);
    EXPECT_EQ(tabs(8, false),
              (std::vector<ControlId>{C::Button5, C::Button6, C::ToolBar1, C::ListView1, C::Button2,
                                      C::Button3, C::Button10, C::Button4}));
    EXPECT_EQ(tabs(6, true), (std::vector<ControlId>{C::Button10, C::Button3, C::Button2,
                                                     C::ListView1, C::ToolBar1, C::Button6}));

    ClickCategoryButton(3);
    tabs(1, false); // the tool bar, on the current category
    press(VK_RIGHT);
    press(VK_RIGHT);
    press(VK_SPACE);
    EXPECT_EQ(CurrentCategory, 5);
    press(VK_LEFT);
    press(VK_RETURN);
    EXPECT_EQ(CurrentCategory, 4);
    EXPECT_EQ(GetFocus(), Control(C::ToolBar1));
    tabs(1, false);
    ListView_SetItemState(Control(C::ListView1), 0, LVIS_FOCUSED, LVIS_FOCUSED);
    press(VK_SPACE);
    EXPECT_EQ(Assignments(), Categories({4}));

    Click(C::Button6); // final page: Next disabled, Done hidden, nothing to undo
    SetFocus(Control(C::Edit1));
    EXPECT_EQ(tabs(7, false),
              (std::vector<ControlId>{C::Button7, C::Button8, C::CheckBox1, C::CheckBox2,
                                      C::CheckBox3, C::Button5, C::Edit1}));
}

} // namespace
