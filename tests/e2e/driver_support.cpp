#include "driver_support.h"

#include "win32/console.h"

#include <cstdio>
#include <exception>
#include <thread>
#include <utility>

namespace e2e {

namespace {

const Clock::time_point g_start = Clock::now();
Clock::time_point g_deadline = g_start + std::chrono::seconds(300);

std::string Stamp() {
    char text[32];
    std::snprintf(text, sizeof text, "[%8.3fs] ", SecondsSince(g_start));
    return text;
}

} // namespace

Clock::time_point StartTime() {
    return g_start;
}

Clock::time_point Deadline() {
    return g_deadline;
}

void SetRunLimit(int seconds) {
    g_deadline = g_start + std::chrono::seconds(seconds);
}

double SecondsSince(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

void Print(const std::string& utf8) {
    WriteUtf8(STD_OUTPUT_HANDLE, utf8);
}

void Log(const std::string& line) {
    Print(Stamp() + line + "\n");
}

[[noreturn]] void Fail(const std::string& what) {
    throw TestFailure(what);
}

std::string ErrorText(const std::string& what, DWORD code) {
    return what + " (error " + std::to_string(code) + ")";
}

Step::Step(std::string name) : name_(std::move(name)), start_(Clock::now()) {
    Log("STEP " + name_);
}

Step::~Step() {
    char text[64];
    std::snprintf(text, sizeof text, " (%.3f s)", SecondsSince(start_));
    Log(std::string(std::uncaught_exceptions() > 0 ? "  failed: " : "  done: ") + name_ + text);
}

void Pause(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace e2e
