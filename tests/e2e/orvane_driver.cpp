// orvane-e2e-driver: drives a running Orvane.exe from outside its process, as a person would: it
// finds the window, clicks its buttons, check boxes and category buttons with synthesised mouse
// input at their real screen positions, ticks one entry with the space bar, reads the controls
// back through window messages, answers the message boxes and closes the window. Every step is
// reported on stdout with its timing; every wait has a time limit.
//
// Usage: orvane-e2e-driver --app-dir DIR [--mode full|screenshots] [--sync-dir DIR]
//                          [--timeout SECONDS]
//        orvane-e2e-driver --mode painted [--timeout SECONDS]
//   --app-dir DIR    the Windows folder Orvane.exe was started from (without a trailing "\")
//   --mode full      the whole wizard: ticks, backup copy, distribution, undo (the default)
//   --mode screenshots  the three pages only; nothing is copied or moved
//   --mode painted   only waits until the window is shown and it and its controls have painted
//                    themselves, and leaves it open
//   --sync-dir DIR   where the test script answers: at each "SHOT" or "CHECKPOINT" line the
//                    driver waits for DIR\NAME.done before it goes on; without it there are no
//                    screenshots and no checkpoints
//   --timeout S      the limit for the whole run (default 300)
//
// Output lines that the test script reads:
//   SHOT <name> <left> <top> <width> <height>  the window's screen rectangle, for a screenshot
//   CHECKPOINT <name>                          the script may look at the folders now
//   ASSIGN<TAB><category><TAB><caption>        an entry ticked into a category, by its caption
//   RESULT PASS | RESULT FAIL <reason>
//
// The driver's files by concern: driver_support (output, timing, waits), remote_window (another
// process's windows and memory), input (mouse and keys), orvane_window (Orvane's window and the
// meeting points with the script), remote_controls (its list view and tool bar), scenario (the
// wizard).
#include "driver_support.h"
#include "orvane_window.h"
#include "scenario.h"
#include "win32/console.h"
#include "win32/text.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace e2e;

const char* const kUsage =
    "Usage: orvane-e2e-driver --app-dir DIR [--mode full|screenshots] [--sync-dir DIR] "
    "[--timeout SECONDS]\n"
    "       orvane-e2e-driver --mode painted [--timeout SECONDS]\n";

int Run(const std::vector<std::string>& args) {
    std::string appDir;
    std::string mode = "full";
    int timeout = 300;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--app-dir" && hasValue) {
            appDir = args[++i];
        } else if (arg == "--mode" && hasValue) {
            mode = args[++i];
        } else if (arg == "--sync-dir" && hasValue) {
            SetSyncFolder(Widen(args[++i]));
        } else if (arg == "--timeout" && hasValue) {
            timeout = std::atoi(args[++i].c_str());
        } else {
            Print(kUsage);
            return 2;
        }
    }
    while (!appDir.empty() && appDir.back() == '\\')
        appDir.pop_back();
    const bool scenario = mode == "full" || mode == "screenshots";
    if ((scenario && appDir.empty()) || (!scenario && mode != "painted") || timeout <= 0) {
        Print(kUsage);
        return 2;
    }
    SetRunLimit(timeout);

    // Screen coordinates must be physical pixels, as the screenshots see them.
    SetProcessDPIAware();
    Orvane orvane;
    try {
        if (mode == "full")
            RunFullScenario(orvane, appDir);
        else if (mode == "screenshots")
            RunScreenshotScenario(orvane, appDir);
        else
            WaitUntilPainted(orvane);
    } catch (const TestFailure& failure) {
        Log(std::string("FAILURE: ") + failure.what());
        if (Clock::now() >= Deadline())
            Log("the run's limit of " + std::to_string(timeout) + " s has passed");
        Print(std::string("RESULT FAIL ") + failure.what() + "\n");
        return 1;
    }
    char total[64];
    std::snprintf(total, sizeof total, "RESULT PASS in %.3f s\n", SecondsSince(StartTime()));
    Print(total);
    return 0;
}

} // namespace

int main() {
    return RunConsoleProgram(Run, "RESULT FAIL ");
}
