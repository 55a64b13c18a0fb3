// orvane-bench: builds the real main window over generated Start menus of N entries (real
// shortcuts and program groups in temporary Programs folders, the real shell) and prints, for each
// N: the time to the window's first paint, the time until the last icon has arrived, the longest
// message round trip to the window while icons load, the icon look-ups, category switches against
// the bare list fill, and the distribution against plain renames; then closes a window while its
// icons load and counts handles and threads. One "holds" line per target says whether it is met.
#include "actions/actions.h"
#include "catalogue/catalogue.h"
#include "catalogue/scan.h"
#include "support/folders.h"
#include "support/sandboxed_shell.h"
#include "ui/UMainForm.h"
#include "win32/common_controls.h"
#include "win32/handles.h"
#include "win32/text.h"

#include <windows.h>

#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
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
    std::atomic<int> iconLookups{0};
    double listMs = 0, moveMs = 0;

    std::vector<std::string> ListFolder(const std::string& pattern, unsigned attributes) override {
        const auto start = Clock::now();
        auto names = SandboxedShell::ListFolder(pattern, attributes);
        listMs += MsSince(start);
        return names;
    }
    ItemIconInfo ItemIcon(const std::string& path) override {
        ++iconLookups;
        return SandboxedShell::ItemIcon(path);
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

// Sends WM_NULL to a window every few milliseconds from another thread and keeps the longest
// round trip, as a user's input would wait for the window.
class RoundTrips {
public:
    explicit RoundTrips(HWND window)
        : thread_([this, window] {
              while (!stop_) {
                  const auto start = Clock::now();
                  DWORD_PTR result = 0;
                  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
                  longest_ = std::max(longest_.load(), MsSince(start));
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              }
          }) {}
    ~RoundTrips() { Stop(); }
    double Stop() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        return longest_;
    }

private:
    std::atomic<bool> stop_{false};
    std::atomic<double> longest_{0};
    std::thread thread_;
};

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Runs the window's messages until every icon has arrived (or a minute has passed).
void PumpUntilIconsArrive(const TMainForm& form) {
    const auto start = Clock::now();
    while (form.IconsOutstanding() > 0 && MsSince(start) < 60000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        PumpMessages();
    }
}

// The process's open kernel handles, found by asking after every handle value in turn (Wine's
// GetProcessHandleCount always says 0).
DWORD HandleCount() {
    DWORD count = 0;
    for (ULONG_PTR value = 4; value < 0x40000; value += 4) {
        DWORD flags = 0;
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    }
    return count;
}

int ThreadCount() {
    const TFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 thread{sizeof(thread)};
    int count = 0;
    for (BOOL more = Thread32First(snapshot.get(), &thread); more;
         more = Thread32Next(snapshot.get(), &thread))
        count += thread.th32OwnerProcessID == GetCurrentProcessId();
    return count;
}

struct Figures {
    int entries = 0;
    double scanMs = 0, firstPaintMs = 0, lastIconMs = 0, longestTripMs = 0;
    double switchMs = 0, floorMs = 0;
    int lookups = 0, lookupsPerSwitch = 0;
    double distributeMs = 0, renameMs = 0;
};

Figures Measure(int entries) {
    Figures f;
    f.entries = entries;
    TempFolder temp;
    CountingShell shell;
    shell.common = temp.At("All\\Programs");
    shell.user = temp.At("User\\Programs");
    shell.localAppData = temp.Path();
    MakeStartMenu(*shell.common, *shell.user, entries);

    ResetCatalogue();
    std::vector<std::string> errors;
    const auto created = Clock::now();
    auto form =
        std::make_unique<TMainForm>(shell, [&](const std::string& t) { errors.push_back(t); });
    shell.SetOwnerWindow(form->Handle());
    form->Show(SW_SHOWNOACTIVATE); // paints the welcome page before it returns
    f.firstPaintMs = MsSince(created) - shell.listMs;
    f.scanMs = shell.listMs;
    {
        RoundTrips trips(form->Handle());
        PumpUntilIconsArrive(*form);
        f.lastIconMs = MsSince(created);
        f.longestTripMs = trips.Stop();
    }
    f.lookups = shell.iconLookups;

    // On the category page, so that every switch also repaints the list.
    SendMessageW(form->Control(ControlId::Button4), BM_CLICK, 0, 0);
    HWND list = form->Control(ControlId::ListView1);
    std::vector<double> switches;
    for (int i = 0; i < 50; ++i) {
        const auto start = Clock::now();
        ClickCategory(*form, (i + 1) % CategoryCount);
        UpdateWindow(list);
        switches.push_back(MsSince(start));
    }
    f.switchMs = Median(switches);
    f.lookupsPerSwitch = (shell.iconLookups - f.lookups) / 50;
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
    DistributeItems(shell);
    f.distributeMs = MsSince(distributing);
    const std::string common2 = temp.At("All2\\Programs");
    const std::string user2 = temp.At("User2\\Programs");
    MakeStartMenu(common2, user2, entries);
    f.renameMs = PlainMovesMs(common2, user2);
    form.reset();
    PumpMessages();
    ResetCatalogue();
    return f;
}

// A window closed while its icons load: how long closing takes, and the handles and threads of
// the process before the window and after it.
struct Closing {
    double closeMs = 0;
    DWORD handlesBefore = 0, handlesAfter = 0;
    int threadsBefore = 0, threadsAfter = 0;
};

Closing CloseWhileLoading(int entries) {
    TempFolder temp;
    CountingShell shell;
    shell.common = temp.At("All\\Programs");
    shell.user = temp.At("User\\Programs");
    MakeStartMenu(*shell.common, *shell.user, entries);
    Closing c;
    c.handlesBefore = HandleCount();
    c.threadsBefore = ThreadCount();
    {
        ResetCatalogue();
        TMainForm form(shell, [](const std::string&) {});
        form.Show(SW_SHOWNOACTIVATE);
        while (shell.iconLookups < 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const auto closing = Clock::now();
        DestroyWindow(form.Handle());
        c.closeMs = MsSince(closing);
        PumpMessages();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // detached workers end
    c.handlesAfter = HandleCount();
    c.threadsAfter = ThreadCount();
    ResetCatalogue();
    return c;
}

const char* Verdict(bool holds) {
    return holds ? "holds" : "misses";
}

} // namespace

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    CommonControls().InitCommonControlsEx(&controls);
    TComScope com;
    std::vector<int> sizes = {20, 150, 500, 2000};
    if (argc > 1) {
        sizes.clear();
        for (int i = 1; i < argc; ++i)
            sizes.push_back(std::atoi(argv[i]));
    }
    std::printf("%6s | %7s %11s %10s %9s | %7s %7s | %7s %7s %6s | %8s %9s\n", "N", "scan ms",
                "1st paint", "last icon", "trip max", "look-up", "per sw", "switch", "floor",
                "ratio", "distr ms", "rename ms");
    Measure(sizes.front()); // the first window of a process pays for loading what every window uses
    std::vector<Figures> all;
    for (int n : sizes) {
        const Figures f = Measure(n);
        std::printf("%6d | %7.1f %11.1f %10.1f %9.1f | %7d %7d | %7.2f %7.2f %6.2f | %8.1f %9.1f\n",
                    n, f.scanMs, f.firstPaintMs, f.lastIconMs, f.longestTripMs, f.lookups,
                    f.lookupsPerSwitch, f.switchMs, f.floorMs, f.switchMs / f.floorMs,
                    f.distributeMs, f.renameMs);
        std::fflush(stdout);
        all.push_back(f);
    }
    const Figures& small = all.front();
    const Figures& large = all.back();
    const Closing c = CloseWhileLoading(large.entries);
    std::printf("closing the window of %d entries while icons load: %.1f ms; handles %lu -> %lu, "
                "threads %d -> %d\n",
                large.entries, c.closeMs, static_cast<unsigned long>(c.handlesBefore),
                static_cast<unsigned long>(c.handlesAfter), c.threadsBefore, c.threadsAfter);

    bool lookupsHold = true;
    for (const Figures& f : all)
        lookupsHold = lookupsHold && f.lookups == f.entries && f.lookupsPerSwitch == 0;
    const double paintRatio = large.firstPaintMs / small.firstPaintMs;
    const bool holds[] = {
        paintRatio <= 1.5,
        large.longestTripMs < 50,
        lookupsHold,
        large.switchMs <= 1.1 * large.floorMs,
        c.closeMs < 500 && c.handlesAfter <= c.handlesBefore && c.threadsAfter <= c.threadsBefore,
    };
    std::printf("%s: first paint at N = %d within 1.5x N = %d (%.2fx)\n", Verdict(holds[0]),
                large.entries, small.entries, paintRatio);
    std::printf("%s: longest message round trip while icons load under 50 ms at N = %d (%.1f ms)\n",
                Verdict(holds[1]), large.entries, large.longestTripMs);
    std::printf("%s: one icon look-up per entry and run, none on a category switch\n",
                Verdict(holds[2]));
    std::printf("%s: category switch within 1.1x the bare fill at N = %d (%.2fx)\n",
                Verdict(holds[3]), large.entries, large.switchMs / large.floorMs);
    std::printf("%s: closing while icons load is prompt and leaves no handle or thread behind\n",
                Verdict(holds[4]));
    return std::all_of(std::begin(holds), std::end(holds), [](bool h) { return h; }) ? 0 : 1;
}
