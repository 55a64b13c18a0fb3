// One Orvane at a time in a logon session: a second one's catalogue would go stale as soon as
// either distributes.
#pragma once

// Whether another Orvane runs in this logon session of the user: if so, its window has been
// brought to the front, restored if it was minimised, and this Orvane should end. An Orvane still
// starting is given up to three seconds to show its window; a mark of one with no window behind
// it, however it came about, does not keep this one from starting. Called once, at start-up:
// this Orvane's own mark then stays until it ends.
bool BroughtRunningOrvaneForward();
