// The main window's layout: every control's place, text and font at 96 and 144 DPI, how anchors
// follow a resize, the toolbar's rows, and the window itself.
#include "form_fixture.h"

#include <commctrl.h>

#include <map>

namespace {

struct Designed {
    ControlId Id;
    ControlId Parent;
    int Left, Top, Width, Height;
    unsigned Anchors;
    int FontPx; // 0: not checked
};

using C = ControlId;
constexpr unsigned LTR = akLeft | akTop | akRight;
constexpr unsigned LT = akLeft | akTop;
constexpr unsigned RB = akRight | akBottom;

// The window as designed at 96 DPI.
const Designed Design[] = {
    {C::PageControl1, C::Form, 3, 2, 736, 486, akAll, 0},
    {C::Button5, C::Form, 448, 496, 75, 25, RB, 13},
    {C::Button4, C::Form, 536, 496, 75, 25, RB, 13},
    {C::Button6, C::Form, 648, 496, 75, 25, RB, 13},
    {C::TabSheet1, C::PageControl1, 4, 4, 728, 478, akAll, 0},
    {C::TabSheet2, C::PageControl1, 4, 4, 728, 478, akAll, 0},
    {C::TabSheet3, C::PageControl1, 4, 4, 728, 478, akAll, 0},
    {C::Label2, C::TabSheet1, 7, 8, 711, 95, LTR, 16},
    {C::Label5, C::TabSheet1, 8, 112, 711, 57, LTR, 16},
    {C::Label6, C::TabSheet1, 7, 184, 636, 19, LTR, 16},
    {C::Image2, C::TabSheet1, 15, 212, 276, 250, akLeft | akBottom, 0},
    {C::Image1, C::TabSheet1, 393, 212, 321, 250, RB, 0},
    {C::Label1, C::TabSheet2, 0, 0, 728, 23, LTR, 19},
    {C::Label7, C::TabSheet2, 8, 85, 671, 38, LTR, 16},
    {C::ListView1, C::TabSheet2, 8, 136, 711, 293, akAll, 13},
    {C::Button2, C::TabSheet2, 8, 440, 120, 25, akLeft | akBottom, 13},
    {C::Button3, C::TabSheet2, 136, 440, 120, 25, akLeft | akBottom, 13},
    {C::Label3, C::TabSheet3, 8, 8, 705, 38, LTR, 16},
    {C::Label4, C::TabSheet3, 9, 64, 260, 19, LT, 16},
    {C::Edit1, C::TabSheet3, 9, 88, 711, 21, LTR, 11},
    {C::Button7, C::TabSheet3, 8, 120, 169, 25, LT, 16},
    {C::Label8, C::TabSheet3, 9, 168, 681, 38, LT, 16},
    {C::Button8, C::TabSheet3, 8, 216, 169, 25, LT, 16},
    {C::Label9, C::TabSheet3, 9, 256, 408, 19, LT, 16},
    {C::Label10, C::TabSheet3, 8, 280, 165, 19, LT, 16},
    {C::Label11, C::TabSheet3, 9, 320, 663, 57, LTR, 16},
    {C::Label12, C::TabSheet3, 9, 392, 156, 19, LT, 16},
    {C::Label13, C::TabSheet3, 9, 416, 197, 19, LT, 16},
};

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

LOGFONTW FontOf(HWND control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    return font;
}

class Layout : public FormTest {
protected:
    void SetUp() override {
        SetStartMenu({"Writer.lnk"}, {});
        Start();
    }

    // Every control where its design and anchors put it for the current sizes, at `dpi`.
    void ExpectLayout(int dpi) {
        auto s = [dpi](int value) { return MulDiv(value, dpi, 96); };
        std::map<ControlId, SIZE> design{{C::Form, {742, 528}}};
        for (const Designed& d : Design)
            design[d.Id] = {d.Width, d.Height};
        // Controls under the toolbar move down by what its rows need beyond its 60 px.
        const int toolbarGrowth = RectInParent(Control(C::ToolBar1)).bottom - s(23 + 60);
        for (const Designed& d : Design) {
            SCOPED_TRACE(LayoutOf(d.Id).Name);
            const SIZE parent =
                ClientSize(d.Parent == C::Form ? form->Handle() : Control(d.Parent));
            const int dx = parent.cx - s(design[d.Parent].cx);
            const int dy = parent.cy - s(design[d.Parent].cy);
            const bool below = d.Parent == C::TabSheet2 && d.Top >= 83 && (d.Anchors & akTop);
            RECT expected{s(d.Left), s(d.Top) + (below ? toolbarGrowth : 0), 0, 0};
            expected.right = s(d.Left) + s(d.Width);
            expected.bottom = s(d.Top) + s(d.Height) + (below ? toolbarGrowth : 0);
            if (d.Anchors & akRight) {
                expected.right += dx;
                if (!(d.Anchors & akLeft))
                    expected.left += dx;
            }
            if (d.Anchors & akBottom) {
                expected.bottom = s(d.Top) + s(d.Height) + dy;
                if (!(d.Anchors & akTop))
                    expected.top = s(d.Top) + dy;
            }
            const RECT actual = RectInParent(Control(d.Id));
            EXPECT_EQ(actual.left, expected.left);
            EXPECT_EQ(actual.top, expected.top);
            EXPECT_EQ(actual.right, expected.right);
            EXPECT_EQ(actual.bottom, expected.bottom);
            if (d.FontPx) {
                const LOGFONTW font = FontOf(Control(d.Id));
                EXPECT_EQ(font.lfHeight, -s(d.FontPx));
                EXPECT_EQ(Narrow(font.lfFaceName), "Tahoma");
                EXPECT_EQ(font.lfUnderline != 0, d.Id == C::Label10 || d.Id == C::Label13);
            }
        }
        // The toolbar spans its page, is at least as high as designed and holds every button.
        HWND toolbar = Control(C::ToolBar1);
        const RECT bar = RectInParent(toolbar);
        EXPECT_EQ(bar.left, 0);
        EXPECT_EQ(bar.top, s(23));
        EXPECT_EQ(bar.right, ClientSize(Control(C::TabSheet2)).cx);
        EXPECT_GE(bar.bottom - bar.top, s(60));
        for (int k = 0; k < 9; ++k) {
            RECT button{};
            SendMessageW(toolbar, TB_GETITEMRECT, k, reinterpret_cast<LPARAM>(&button));
            EXPECT_LE(button.right, bar.right - bar.left) << "button " << k;
            EXPECT_LE(button.bottom, bar.bottom - bar.top) << "button " << k;
        }
        EXPECT_EQ(FontOf(toolbar).lfHeight, -s(16));
        EXPECT_EQ(FontOf(Control(C::Edit1)).lfHeight, -s(11));
    }

    void ResizeWindow(int width, int height) {
        SetWindowPos(form->Handle(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
        PumpMessages();
    }

    SIZE MinimumSize() {
        MINMAXINFO info{};
        SendMessageW(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        return {info.ptMinTrackSize.x, info.ptMinTrackSize.y};
    }
};

TEST_F(Layout, TheWindowIsCentredWithItsCaptionSizeAndFrame) {
    EXPECT_EQ(Text(C::Form), "Orvane");
    RECT window;
    GetWindowRect(form->Handle(), &window);
    EXPECT_EQ(window.right - window.left, 750);
    EXPECT_EQ(window.bottom - window.top, 562);
    EXPECT_NEAR((window.left + window.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((window.top + window.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(form->Handle(), GWL_STYLE)) &
                  WS_OVERLAPPEDWINDOW,
              WS_OVERLAPPEDWINDOW);
    EXPECT_EQ(MinimumSize().cx, 750);
    EXPECT_EQ(MinimumSize().cy, 562);
    EXPECT_NE(GetClassLongPtrW(form->Handle(), GCLP_HICON), 0u);
}

TEST_F(Layout, EveryControlIsWhereItsDesignPutsIt) {
    ExpectLayout(96);
}

TEST_F(Layout, AnchorsFollowAResize) {
    ResizeWindow(750 + 200, 562 + 120);
    ExpectLayout(96);
    const RECT list = RectInParent(Control(C::ListView1));
    EXPECT_EQ(list.right - list.left, 711 + 200);
    const RECT image1 = RectInParent(Control(C::Image1));
    EXPECT_EQ(image1.left, 393 + 200);
    EXPECT_EQ(image1.right - image1.left, 321);
}

TEST_F(Layout, At144DpiEverySizePositionAndFontIsScaledByOneAndAHalf) {
    RECT window;
    GetWindowRect(form->Handle(), &window);
    RECT suggested{window.left, window.top, window.left + 1125, window.top + 843};
    SendMessageW(form->Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                 reinterpret_cast<LPARAM>(&suggested));
    PumpMessages();
    GetWindowRect(form->Handle(), &window);
    EXPECT_EQ(window.right - window.left, 1125);
    EXPECT_EQ(window.bottom - window.top, 843);
    EXPECT_EQ(MinimumSize().cx, 1125);
    EXPECT_EQ(MinimumSize().cy, 843);
    ExpectLayout(144);
}

TEST_F(Layout, TextsAreAsDesigned) {
    const std::map<ControlId, std::string> texts = {
        {C::Button4, "Далее >"},
        {C::Button5, "< Назад"},
        {C::Button6, "Готово"},
        {C::Label1, "  Категория:"},
        {C::Label4, "Создать резервную копию в папке:"},
        {C::Button7, "Сделать копию !"},
        {C::Button8, "Начать обработку"},
        {C::Button2, "Выделить все"},
        {C::Button3, "Снять выделение"},
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

TEST_F(Layout, LinksAreBlueWithAHandCursor) {
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

TEST_F(Layout, TabMovesThroughTheVisibleControlsInDesignOrder) {
    auto order = [this](ControlId first, int steps) {
        std::vector<ControlId> visited;
        HWND control = Control(first);
        for (int i = 0; i < steps; ++i) {
            control = GetNextDlgTabItem(form->Handle(), control, FALSE);
            visited.push_back(static_cast<ControlId>(GetDlgCtrlID(control)));
        }
        return visited;
    };
    Click(C::Button4);
    EXPECT_EQ(order(C::ListView1, 6),
              (std::vector<ControlId>{C::Button2, C::Button3, C::Button4, C::Button5, C::Button6,
                                      C::ListView1}));
    Click(C::Button6); // final page: Next disabled, Done hidden
    EXPECT_EQ(order(C::Edit1, 4),
              (std::vector<ControlId>{C::Button7, C::Button8, C::Button5, C::Edit1}));
}

} // namespace
