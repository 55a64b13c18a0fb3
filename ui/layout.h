// The main window's controls in one table: parent, kind, designed position at 96 DPI, anchors,
// font and text. The window creates, places and fonts its controls from this table alone.
#pragma once

#include <windows.h>

#include <array>

// Control identifiers; each is also the child window's ID, so WM_COMMAND names the control.
enum class ControlId : int {
    Form = 0, // the main window itself, as a parent
    PageControl1 = 100,
    TabSheet1,
    TabSheet2,
    TabSheet3,
    Button4,
    Button5,
    Button6,
    Label2,
    Label5,
    Label6,
    Image2,
    Image1,
    Label1,
    ToolBar1,
    Label7,
    ListView1,
    Button2,
    Button3,
    Label3,
    Label4,
    Edit1,
    Button7,
    Label8,
    Button8,
    Label9,
    Label10,
    Label11,
    Label12,
    Label13,
    Button9,
    Label14,
    Button10,
    CheckBox1,
    CheckBox2,
    Label15,
    CheckBox3,
};

enum class TControlKind {
    PageControl, // container with a thin border around the pages
    TabSheet,    // one wizard page
    Button,
    Label,     // word-wrapped text
    LineLabel, // one line of text
    Link,      // one line, blue and underlined, clickable
    Picture,   // a bitmap resource drawn to the control's size
    ToolBar,
    ListView,
    Edit,
    CheckBox, // a box the program ticks, with its text on the right
    Option,   // a box the user ticks, its text word-wrapped to the control's width
};

enum TAnchor : unsigned {
    akLeft = 1,
    akTop = 2,
    akRight = 4,
    akBottom = 8,
    akAll = akLeft | akTop | akRight | akBottom,
};

struct TControlLayout {
    ControlId Id;
    const char* Name;
    ControlId Parent;
    TControlKind Kind;
    int Left, Top, Width, Height; // designed at 96 DPI, relative to the parent's client area
    unsigned Anchors;             // the parent edges the control follows when the parent resizes
    int FontPx;                   // Tahoma character height at 96 DPI; 0: no font of its own
    const char* Text;             // caption (UTF-8); null for none
    int Resource;                 // bitmap of a picture; 0 for other kinds
};

// Outer size of the main window at 96 DPI; also its minimum size.
constexpr SIZE FormDesignSize = {750, 562};
// Client size the designed positions of the window's own children refer to.
constexpr SIZE FormDesignClient = {742, 528};
constexpr int DesignDpi = 96;
constexpr int ListColumnWidth = 300; // the program list's one column, seen only in report style
constexpr int DefaultFontPx = 11;
constexpr const wchar_t* FontFace = L"Tahoma";
constexpr COLORREF LinkColor = RGB(0, 0, 255);
// The background the welcome pictures are drawn on; it is left out when they are shown.
constexpr COLORREF PictureBackground = RGB(0xF0, 0xF0, 0xF0);

constexpr const char* SupportAddress = "support@orvane.example";
constexpr const char* ProductPageUrl = "https://lintrowe.example/";

constexpr size_t ControlCount = 36;
// Parents come before their children; on each parent, tab-stop controls are in tab order.
extern const std::array<TControlLayout, ControlCount> FormLayout;

// A control's index in FormLayout, and its layout.
size_t LayoutIndex(ControlId id);
const TControlLayout& LayoutOf(ControlId id);

// The designed client size of a parent (the form or a container control) at 96 DPI.
SIZE DesignClientSize(ControlId parent);

// `value` designed at 96 DPI, at `dpi`.
int Scale(int value, int dpi);

// The room the controls' texts need at one DPI beyond the designed sizes, which are the minimum.
// A control whose text needs more room grows (a word-wrapped label in height, a one-line label,
// link, button or check box in width), the controls below it on its parent move down by as much,
// and where a page then needs more room than it has, the window grows by as much. Indices follow
// FormLayout.
struct TTextFit {
    std::array<SIZE, ControlCount> Growth{}; // added to each control's designed size
    std::array<int, ControlCount> Shift{};   // added to each control's designed top
    SIZE FormGrowth{};                       // added to the window's designed size
};

// Measures every control's text in its own font, at `dpi`. `controls` are in FormLayout's order.
TTextFit FitTexts(const std::array<HWND, ControlCount>& controls, int dpi);

// The size a control's text needs: a word-wrapped label's lines at `width`, the one line of other
// labels and links, a button's text with its margins, a check box's with its box. Measured as the
// control measures it when it breaks lines, with DrawText in the control's own font.
SIZE TextExtent(HWND control, TControlKind kind, int width);

// The control's designed rectangle scaled to `dpi` and fitted to its text, then moved or
// stretched by its anchors by how much `parentSize` differs from the parent's fitted size.
// Coordinates are relative to the parent's client area; right and bottom are exclusive.
RECT AnchoredRect(size_t index, SIZE parentSize, int dpi, const TTextFit& fit);

// Places every control for the window's client size: containers first, so that each parent's
// size is known when its children are placed. The tool bar is as high as its rows of buttons
// need, and what it grows beyond its fitted height pushes the controls below it down.
void PlaceControls(const std::array<HWND, ControlCount>& controls, SIZE client, int dpi,
                   const TTextFit& fit);
