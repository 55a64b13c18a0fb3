// orvane-bench: builds the real main window over generated Start menus of N entries (real
// shortcuts and program groups in temporary Programs folders, the real shell) and prints, for
// each N: start-up figures, category switches against the bare list fill, icon look-ups, the
// image count, and the distribution against plain renames. Counts come from a counting shell.
#include "actions/actions.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "shell/windows_shell.h"
#include "support/folders.h"
#include "support/sandboxed_shell.h"
#include "ui/UMainForm.h"
#include "win32/handles.h"
#include "win32/text.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The real shell over the benchmark's own Programs folders, counting and timing what the window
// asks of it; messages are recorded instead of shown.
class CountingShell : public SandboxedShell {
public:
    int iconLookups = 0;
    double iconMs = 0, listMs = 0, moveMs = 0;

    std::vector<std::string> ListFolder(const std::string& pattern, unsigned attributes) override {
        const auto start = Clock::now();
        auto names = WindowsShell::ListFolder(pattern, attributes);
        listMs += MsSince(start);
        return names;
    }
    IconHandle ItemIcon(const std::string& path) override {
        const auto start = Clock::now();
        ++iconLookups;
        IconHandle icon = WindowsShell::ItemIcon(path);
        iconMs += MsSince(start);
        return icon;
    }
    ShellOpResult ShellFileOperation(ShellOp op, const std::string& from,
                                     const std::string& to) override {
        const auto start = Clock::now();
        const ShellOpResult result = SandboxedShell::ShellFileOperation(op, from, to);
        moveMs += MsSince(start);
        return result;
    }
};

// N entries split between the two folders: four shortcuts to one program group.
void MakeStartMenu(const std::string& common, const std::string& user, int entries) {
    const std::string notepad = NotepadPath();
    MakeFolders(common);
    MakeFolders(user);
    for (int i = 0; i < entries; ++i) {
        const std::string root = i % 2 ? user : common;
        const std::string name = "Программа " + std::to_string(i);
        if (i % 5 == 4) {
            MakeFolders(root + "\\" + name);
            MakeShortcut(root + "\\" + name + "\\" + name + ".lnk", notepad);
        } else {
            MakeShortcut(root + "\\" + name + ".lnk", notepad);
        }
    }
}

int ToolbarCommand(HWND toolbar, int index) {
    TBBUTTON button{};
    SendMessageW(toolbar, TB_GETBUTTON, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&button));
    return button.idCommand;
}

// Presses category button `index` (0..8, left to right) the way a click does.
void ClickCategory(const TMainForm& form, int index) {
    HWND toolbar = form.Control(ControlId::ToolBar1);
    SendMessageW(GetParent(toolbar), WM_COMMAND,
                 MAKEWPARAM(ToolbarCommand(toolbar, index), BN_CLICKED),
                 reinterpret_cast<LPARAM>(toolbar));
}

// The floor: the same list view filled with the same captions, no icons, redraw off.
double BareFillMs(HWND list, const std::vector<std::wstring>& captions) {
    const auto start = Clock::now();
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    for (const std::wstring& caption : captions) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = ListView_GetItemCount(list);
        item.pszText = const_cast<wchar_t*>(caption.c_str());
        ListView_InsertItem(list, &item);
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    UpdateWindow(list);
    return MsSince(start);
}

// The floor of the distribution: plain renames of the same entries into the same folders.
double PlainMovesMs(const std::string& common, const std::string& user) {
    const auto start = Clock::now();
    for (size_t i = 0; i < StartMenuItems.size(); ++i) {
        const TStartMenu& entry = StartMenuItems[i];
        const std::string root = entry.IsUser ? user : common;
        const std::string folder = root + "\\" + CategoryNames[static_cast<size_t>(entry.Category)];
        CreateDirectoryW(Widen(folder).c_str(), nullptr);
        MoveFileW(Widen(root + "\\" + FileNameOf(entry.Path)).c_str(),
                  Widen(folder + "\\" + FileNameOf(entry.Path)).c_str());
    }
    return MsSince(start);
}

struct Figures {
    int entries = 0;
    double scanMs = 0, iconMs = 0, fillMs = 0;
    double switchMs = 0, floorMs = 0;
    int iconsPerSwitch = 0, iconsInRun = 0, images = 0;
    double distributeMs = 0, renameMs = 0, shellMoveMs = 0;
    size_t catalogue = 0;
    bool distributed = false;
};

Figures Measure(int entries) {
    Figures f;
    f.entries = entries;
    TempFolder temp;
    CountingShell shell;
    shell.common = temp.Path() + "\\All\\Programs";
    shell.user = temp.Path() + "\\User\\Programs";
    MakeStartMenu(*shell.common, *shell.user, entries);

    ResetCatalogue();
    const auto created = Clock::now();
    std::vector<std::string> errors;
    TMainForm form(shell, [&](const std::string& text) { errors.push_back(text); });
    const double startup = MsSince(created);
    shell.SetOwnerWindow(form.Handle());
    form.Show(SW_SHOWNOACTIVATE);
    f.catalogue = StartMenuItems.size();
    f.scanMs = shell.listMs;
    f.iconMs = shell.iconMs;
    f.fillMs = startup - shell.listMs - shell.iconMs;

    // On the category page, so that every switch also repaints the list.
    SendMessageW(form.Control(ControlId::Button4), BM_CLICK, 0, 0);
    HWND list = form.Control(ControlId::ListView1);
    const int lookupsBefore = shell.iconLookups;
    std::vector<double> switches;
    for (int i = 0; i < 50; ++i) {
        const auto start = Clock::now();
        ClickCategory(form, (i + 1) % CategoryCount);
        UpdateWindow(list);
        switches.push_back(MsSince(start));
    }
    f.switchMs = Median(switches);
    f.iconsPerSwitch = (shell.iconLookups - lookupsBefore) / 50;
    f.images = ImageList_GetImageCount(ListView_GetImageList(list, LVSIL_SMALL));

    std::vector<std::wstring> captions;
    for (const TStartMenu& entry : StartMenuItems)
        captions.push_back(Widen(Caption(entry)));
    std::vector<double> floors;
    for (int i = 0; i < 50; ++i)
        floors.push_back(BareFillMs(list, captions));
    f.floorMs = Median(floors);

    for (size_t i = 0; i < StartMenuItems.size(); ++i)
        StartMenuItems[i].Category = static_cast<int32_t>(i % CategoryCount);
    const auto distributing = Clock::now();
    f.distributed = DistributeItems(shell);
    f.distributeMs = MsSince(distributing);
    f.shellMoveMs = shell.moveMs;
    f.iconsInRun = shell.iconLookups;

    // The same Start menu again, moved by plain renames.
    const std::string common2 = temp.Path() + "\\All2\\Programs";
    const std::string user2 = temp.Path() + "\\User2\\Programs";
    MakeStartMenu(common2, user2, entries);
    f.renameMs = PlainMovesMs(common2, user2);
    ResetCatalogue();
    return f;
}

const char* Verdict(bool holds) {
    return holds ? "holds" : "FAILS";
}

} // namespace

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    TComScope com;
    std::vector<int> sizes = {20, 150, 500, 2000};
    if (argc > 1) {
        sizes.clear();
        for (int i = 1; i < argc; ++i)
            sizes.push_back(std::atoi(argv[i]));
    }
    std::printf("%6s | %8s %8s %8s | %8s %8s %6s | %7s %7s %6s | %9s %9s %6s\n", "N", "scan ms",
                "icons ms", "fill ms", "switch", "floor", "ratio", "look/sw", "look/run", "images",
                "distr ms", "rename ms", "ratio");
    bool allHold = true;
    for (int n : sizes) {
        const Figures f = Measure(n);
        std::printf(
            "%6d | %8.1f %8.1f %8.1f | %8.2f %8.2f %6.2f | %7d %7d %6d | %9.1f %9.1f %6.2f\n", n,
            f.scanMs, f.iconMs, f.fillMs, f.switchMs, f.floorMs, f.switchMs / f.floorMs,
            f.iconsPerSwitch, f.iconsInRun, f.images, f.distributeMs, f.renameMs,
            f.distributeMs / f.renameMs);
        const bool switchHolds = n < 2000 || f.switchMs <= 2 * f.floorMs;
        const bool lookupsHold =
            f.iconsPerSwitch == 0 && static_cast<size_t>(f.iconsInRun) <= 2 * f.catalogue;
        const bool imagesHold = static_cast<size_t>(f.images) <= f.catalogue;
        const bool distributionHolds = f.distributeMs <= 3 * f.renameMs;
        std::printf("       switch within 2x floor%s: %s; no look-up on a switch, at most 2 per "
                    "entry: %s; images <= entries: %s; distribution within 3x floor: %s%s\n",
                    n < 2000 ? " (checked at N = 2000)" : "", Verdict(switchHolds),
                    Verdict(lookupsHold), Verdict(imagesHold), Verdict(distributionHolds),
                    f.distributed ? "" : " (some moves failed)");
        std::printf("       of the distribution, %.0f%% is spent inside the shell's move "
                    "operations (one per entry)\n",
                    100.0 * f.shellMoveMs / f.distributeMs);
        allHold = allHold && switchHolds && lookupsHold && imagesHold && distributionHolds;
    }
    return allHold ? 0 : 1;
}
