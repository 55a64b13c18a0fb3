// The wizard driven as a person would drive it, each step checked on the screen as it goes.
#pragma once

#include "orvane_window.h"

#include <string>

namespace e2e {

// The whole wizard: entries ticked into several categories with the mouse and the keyboard, a
// category chosen with its tool-bar button and one with the keyboard alone, the backup copy, the
// distribution (then a checkpoint for the script, and the ticked entries reported) and the undo;
// then the window is closed. `appDir` is the folder Orvane.exe was started from.
void RunFullScenario(Orvane& orvane, const std::string& appDir);
// The three pages for the screenshots; nothing is copied or moved.
void RunScreenshotScenario(Orvane& orvane, const std::string& appDir);
// Waits for the window, and until it and every control in it have painted themselves.
void WaitUntilPainted(Orvane& orvane);

} // namespace e2e
