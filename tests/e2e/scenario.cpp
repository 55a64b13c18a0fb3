#include "scenario.h"

#include "catalogue/catalogue.h"
#include "driver_support.h"
#include "input.h"
#include "remote_controls.h"
#include "remote_window.h"

#include <map>
#include <utility>
#include <vector>

namespace e2e {

namespace {

enum class How { CheckBox, SpaceBar };

struct Tick {
    const char* caption;
    How how;
};

// The entries both runs tick into category 4.
const std::vector<Tick> kInternet = {
    {"Brightwave", How::CheckBox}, {"Tidebox Mail", How::CheckBox}, {"Sparrowchat", How::CheckBox}};

class Scenario {
public:
    Scenario(Orvane& orvane, std::string appDir) : orvane_(orvane), appDir_(std::move(appDir)) {}

    void RunFull() {
        Start();
        // The space-bar tick comes first: a check mark set from the keyboard is written to the
        // assignments at the next click in the list.
        TickStep(0, "tick two entries with the mouse and one with the space bar",
                 {{"Wordsmith Pro 7", How::SpaceBar},
                  {"Quillpad Writer", How::CheckBox},
                  {"Ledgerly", How::CheckBox}});
        Next(1);
        TickStep(1, "tick one entry", {{"Cobalt Archiver", How::CheckBox}});
        {
            Step step("Back to category 0: the three ticks are still shown");
            orvane_.Press(kBack);
            WaitForCategory(0);
        }
        Next(1);
        Next(2);
        TickStep(2, "tick two entries",
                 {{"Pebble Mahjong", How::CheckBox}, {"Игры", How::CheckBox}});
        CategoryButton(4);
        TickStep(4, "tick three entries", kInternet);
        {
            Step step("screenshot of the category page");
            Screenshot(orvane_, "category");
        }
        KeyboardCategory(5, "Sprocket Studio");
        Next(6);
        TickStep(6, "tick two entries",
                 {{"Vectoria", How::CheckBox}, {"Paintwell", How::CheckBox}});
        Next(7);
        TickStep(7, "tick two entries",
                 {{"Shieldmoss Security", How::CheckBox}, {"Keyvault", How::CheckBox}});
        Next(8);
        TickStep(
            8, "tick two entries, one by the Russian name desktop.ini gives it",
            {{"Larkspur Updater", How::CheckBox}, {"Проигрыватель Windows Media", How::CheckBox}});
        {
            Step step("Next from category 8 opens the final page");
            orvane_.Press(kNext);
            FinalPage();
        }
        {
            Step step("\"Сделать копию !\" makes the backup copy");
            orvane_.Press(kMakeCopy);
            orvane_.ExpectMessage(kBackupDone, 120, ScriptAnswers() ? "backup" : nullptr);
        }
        {
            Step step("\"Начать обработку\" distributes the entries");
            orvane_.Press(kStart);
            orvane_.ExpectMessage(kDistributed, 120);
            HWND start = orvane_.RequireButton(kStart);
            if (IsWindowEnabled(start))
                Fail("\"Начать обработку\" is still enabled after the distribution");
            Log("\"Начать обработку\" is disabled now");
        }
        Report();
        Checkpoint("distributed");
        {
            Step step("\"Вернуть как было\" moves every entry back");
            orvane_.Press(kUndo);
            orvane_.ExpectMessage(kUndone, 120);
            if (!IsWindowEnabled(orvane_.RequireButton(kStart)))
                Fail("\"Начать обработку\" is not enabled again after the undo");
            if (IsWindowEnabled(orvane_.RequireButton(kUndo)))
                Fail("\"Вернуть как было\" is still enabled with nothing left to undo");
        }
        Close();
    }

    // The three pages for the screenshots; nothing is copied or moved.
    void RunScreenshots() {
        Start();
        CategoryButton(4);
        {
            Step step("category 4: tick three entries");
            TickEntries(4, kInternet);
            Screenshot(orvane_, "category");
        }
        {
            Step step("Done opens the final page");
            orvane_.Press(kDone);
            FinalPage();
        }
        Close();
    }

private:
    void Start() {
        {
            Step step("wait for the Orvane window");
            orvane_.WaitForWindow(2 * kReactionLimit);
            orvane_.Settle();
            Log("window " + Describe(ScreenRect(orvane_.Main())) + ", process " +
                std::to_string(orvane_.ProcessId()));
        }
        {
            Step step("the welcome page");
            orvane_.WaitForPage(0);
            ExpectButtons(true, false, true);
            Screenshot(orvane_, "welcome");
        }
        {
            Step step("Next opens the category page on category 0");
            orvane_.Press(kNext);
            orvane_.WaitForPage(1);
            WaitForCategory(0);
            ExpectButtons(true, true, true);
            RemoteList list(orvane_, orvane_.List());
            const int count = list.Count();
            if (count == 0)
                Fail("The list of category 0 is empty");
            for (int item = 0; item < count; ++item)
                if (list.Checked(item))
                    Fail("\"" + list.Caption(item) + "\" is checked at start-up");
            Log(std::to_string(count) + " entries listed, none checked");
            if (!orvane_.Button(kSelectAll) || !orvane_.Button(kClearAll))
                Fail("The select buttons are not shown");
        }
    }

    // Next, Back shown and enabled as the page requires.
    void ExpectButtons(bool nextEnabled, bool backEnabled, bool doneShown) {
        HWND next = orvane_.RequireButton(kNext);
        HWND back = orvane_.RequireButton(kBack);
        if ((IsWindowEnabled(next) != FALSE) != nextEnabled)
            Fail(std::string("\"Далее >\" should be ") + (nextEnabled ? "enabled" : "disabled"));
        if ((IsWindowEnabled(back) != FALSE) != backEnabled)
            Fail(std::string("\"< Назад\" should be ") + (backEnabled ? "enabled" : "disabled"));
        if ((orvane_.Button(kDone) != nullptr) != doneShown)
            Fail(std::string("\"Готово\" should be ") + (doneShown ? "shown" : "hidden"));
    }

    void Next(int category) {
        Step step("Next to category " + std::to_string(category));
        orvane_.Press(kNext);
        WaitForCategory(category);
    }

    // A category by keyboard alone: Tab to the tool bar, the arrows to the category's button,
    // Enter; Tab to the list, the arrows to the entry, Space.
    void KeyboardCategory(int category, const std::string& caption) {
        Step step("category " + std::to_string(category) + " by keyboard alone: tick \"" + caption +
                  "\"");
        HWND bar = orvane_.ToolBar();
        for (int i = 0; i < 10 && orvane_.FocusWindow() != bar; ++i) {
            PressKey(VK_TAB);
            orvane_.Settle();
        }
        if (orvane_.FocusWindow() != bar)
            Fail("Tab does not reach the category tool bar");
        const int from = RemoteToolBar(orvane_, bar).Current();
        for (int i = from; i < category; ++i)
            PressKey(VK_RIGHT);
        PressKey(VK_RETURN);
        WaitForCategory(category);
        PressKey(VK_TAB);
        orvane_.Settle();
        RemoteList list(orvane_, orvane_.List());
        if (orvane_.FocusWindow() != list.Handle())
            Fail("Tab from the tool bar does not reach the list");
        const int item = list.Require(caption);
        PressKey(VK_HOME);
        orvane_.Settle();
        for (int i = 0; i < list.Count() && !list.Selected(item); ++i) {
            PressKey(VK_DOWN);
            orvane_.Settle();
        }
        if (!list.Selected(item))
            Fail("The arrow keys do not reach \"" + caption + "\"");
        PressKey(VK_SPACE);
        if (!WaitFor(
                kReactionLimit, [&] { return list.Checked(item); },
                [&] { orvane_.CheckNoDialog(); }))
            Fail("Space did not tick \"" + caption + "\"");
        assigned_[caption] = category;
        Log("ticked \"" + caption + "\" into category " + std::to_string(category) +
            " by keyboard");
    }

    void CategoryButton(int category) {
        Step step("click the tool-bar button of category " + std::to_string(category) + " \"" +
                  CategoryNames[category] + "\"");
        HWND bar = orvane_.ToolBar();
        if (bar == nullptr)
            Fail("The category tool bar is not shown");
        RemoteToolBar toolBar(orvane_, bar);
        const RECT rect = ToScreen(bar, toolBar.Categories()[category].rect);
        ClickAt(bar, Center(rect), "the category button \"" + CategoryNames[category] + "\"");
        WaitForCategory(category);
    }

    // Waits until the category page shows `category`, then checks the list against the ticks
    // made so far: entries of other categories are gone, those of this one are checked, every
    // other entry is unchecked.
    void WaitForCategory(int category) {
        int current = -1;
        const bool shown = WaitFor(
            kReactionLimit,
            [&] {
                HWND bar = orvane_.ToolBar();
                if (bar == nullptr || orvane_.Page() != 1)
                    return false;
                RemoteToolBar toolBar(orvane_, bar);
                current = toolBar.Current();
                return current == category;
            },
            [&] { orvane_.CheckNoDialog(); });
        if (!shown)
            Fail("Category " + std::to_string(category) + " is not shown (the current one is " +
                 std::to_string(current) + ")");
        orvane_.Settle();
        ExpectButtons(true, true, true);
        RemoteList list(orvane_, orvane_.List());
        const int count = list.Count();
        int checked = 0;
        for (int item = 0; item < count; ++item) {
            const std::string caption = list.Caption(item);
            const auto assigned = assigned_.find(caption);
            const bool isChecked = list.Checked(item);
            if (assigned != assigned_.end() && assigned->second != category)
                Fail("\"" + caption + "\", ticked into category " +
                     std::to_string(assigned->second) + ", is listed for category " +
                     std::to_string(category));
            const bool mine = assigned != assigned_.end();
            if (isChecked != mine)
                Fail("\"" + caption + "\" is shown " + (isChecked ? "checked" : "unchecked") +
                     " in category " + std::to_string(category));
            checked += isChecked ? 1 : 0;
        }
        int expected = 0;
        for (const auto& entry : assigned_)
            expected += entry.second == category ? 1 : 0;
        if (checked != expected)
            Fail("Category " + std::to_string(category) + " shows " + std::to_string(checked) +
                 " checked entries instead of " + std::to_string(expected));
        Log("category " + std::to_string(category) + " \"" + CategoryNames[category] + "\": " +
            std::to_string(count) + " entries listed, " + std::to_string(checked) + " checked");
    }

    void TickStep(int category, const std::string& what, const std::vector<Tick>& ticks) {
        Step step("category " + std::to_string(category) + ": " + what);
        TickEntries(category, ticks);
    }

    void TickEntries(int category, const std::vector<Tick>& ticks) {
        for (const Tick& tick : ticks) {
            RemoteList list(orvane_, orvane_.List());
            const int item = list.Require(tick.caption);
            if (list.Checked(item))
                Fail("\"" + std::string(tick.caption) + "\" is checked before it was ticked");
            if (tick.how == How::CheckBox) {
                ClickAt(list.Handle(), list.PointOn(item, true),
                        "the check box of \"" + std::string(tick.caption) + "\"");
            } else {
                // A click on the caption selects the item (an item that is selected already
                // would start editing its caption instead); the space bar then ticks it.
                if (list.Selected(item))
                    Fail("\"" + std::string(tick.caption) + "\" is selected before the click");
                ClickAt(list.Handle(), list.PointOn(item, false),
                        "the caption of \"" + std::string(tick.caption) + "\"");
                if (!WaitFor(
                        kReactionLimit, [&] { return list.Selected(item); },
                        [&] { orvane_.CheckNoDialog(); }))
                    Fail("\"" + std::string(tick.caption) + "\" was not selected by the click");
                orvane_.Settle();
                if (orvane_.FocusWindow() != list.Handle())
                    Fail("The list does not have the keyboard focus after the click");
                if (list.Checked(item))
                    Fail("A click on the caption of \"" + std::string(tick.caption) +
                         "\" ticked it");
                PressKey(VK_SPACE);
            }
            if (!WaitFor(
                    kReactionLimit, [&] { return list.Checked(item); },
                    [&] { orvane_.CheckNoDialog(); }))
                Fail("\"" + std::string(tick.caption) + "\" did not become checked");
            orvane_.Settle();
            if (list.Editing())
                Fail("The caption of an item is being edited");
            if (list.Caption(item) != tick.caption || !list.Checked(item))
                Fail("The list changed under the tick of \"" + std::string(tick.caption) + "\"");
            assigned_[tick.caption] = category;
            Log(std::string("ticked \"") + tick.caption + "\" into category " +
                std::to_string(category) +
                (tick.how == How::CheckBox ? " (mouse on the check box)"
                                           : " (click on the caption, then the space bar)"));
        }
    }

    void FinalPage() {
        orvane_.WaitForPage(2);
        ExpectButtons(false, true, false);
        const std::string expected = appDir_ + "\\backup\\";
        HWND field = orvane_.Field();
        if (field == nullptr)
            Fail("The backup-folder field is not shown");
        const std::string text = TextOf(field);
        if (text != expected)
            Fail("The backup-folder field reads \"" + text + "\" instead of \"" + expected + "\"");
        Log("the backup-folder field reads \"" + text + "\"");
        if (!orvane_.Button(kMakeCopy) || !orvane_.Button(kStart))
            Fail("The final page's buttons are not shown");
        Screenshot(orvane_, "final");
    }

    void Report() {
        for (const auto& entry : assigned_)
            Print("ASSIGN\t" + std::to_string(entry.second) + "\t" + entry.first + "\n");
    }

    void Close() {
        Step step("close the window");
        orvane_.CheckNoDialog();
        PostMessageW(orvane_.Main(), WM_CLOSE, 0, 0);
        if (WaitForSingleObject(orvane_.Process(), static_cast<DWORD>(kReactionLimit * 1000)) !=
            WAIT_OBJECT_0)
            Fail("Orvane did not end in time after WM_CLOSE");
        DWORD code = 0;
        GetExitCodeProcess(orvane_.Process(), &code);
        Log("Orvane ended with exit code " + std::to_string(code));
    }

    Orvane& orvane_;
    std::string appDir_;
    std::map<std::string, int> assigned_; // caption -> category
};
} // namespace

void RunFullScenario(Orvane& orvane, const std::string& appDir) {
    Scenario(orvane, appDir).RunFull();
}

void RunScreenshotScenario(Orvane& orvane, const std::string& appDir) {
    Scenario(orvane, appDir).RunScreenshots();
}

void WaitUntilPainted(Orvane& orvane) {
    Step step("wait until the Orvane window has painted itself");
    orvane.WaitForWindow(2 * kReactionLimit);
    orvane.Settle();
    if (!WaitFor(kReactionLimit, [&] { return orvane.Painted(); }))
        Fail("The Orvane window still has something to paint");
    Log("window " + Describe(ScreenRect(orvane.Main())) + ", process " +
        std::to_string(orvane.ProcessId()) + ", painted");
}

} // namespace e2e
