// What every part of the driver shares: its output, each line stamped with the seconds since the
// start, the steps of the scenario with their durations, the failure that ends the run, and waits
// that poll a condition within a limit of their own and the whole run's.
#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>

namespace e2e {

class TestFailure : public std::runtime_error {
public:
    explicit TestFailure(const std::string& what) : std::runtime_error(what) {}
};

using Clock = std::chrono::steady_clock;

// When the driver started, and when the whole run must have ended (300 s on unless set).
Clock::time_point StartTime();
Clock::time_point Deadline();
void SetRunLimit(int seconds);
double SecondsSince(Clock::time_point from);

// Raw UTF-8 to stdout (a pipe or file under the test script) or wide text to a console.
void Print(const std::string& utf8);
// A line stamped with the seconds since the start.
void Log(const std::string& line);
[[noreturn]] void Fail(const std::string& what);
std::string ErrorText(const std::string& what, DWORD code);

// One step of the scenario: logged when it starts and, with its duration, when it ends.
class Step {
public:
    explicit Step(std::string name);
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;
    ~Step();

private:
    std::string name_;
    Clock::time_point start_;
};

void Pause(int milliseconds);

// How long one reaction of Orvane's to the driver may take: a window or page to show, a click or
// key to take effect, a box to close, the script to answer. Generous, for a cold and busy machine;
// every wait ends as soon as its condition holds.
constexpr double kReactionLimit = 60;

// Polls `condition` every 50 ms until it holds, the step's limit passes or the whole run's limit
// passes. `check` runs on every round first (it throws when something unexpected shows up).
template <class Condition, class Check>
bool WaitFor(double seconds, Condition&& condition, Check&& check) {
    const Clock::time_point until =
        std::min(Deadline(),
                 Clock::now() + std::chrono::milliseconds(static_cast<long long>(seconds * 1000)));
    for (;;) {
        check();
        if (condition())
            return true;
        if (Clock::now() >= until)
            return false;
        Pause(50);
    }
}

template <class Condition> bool WaitFor(double seconds, Condition&& condition) {
    return WaitFor(seconds, condition, [] {});
}

} // namespace e2e
