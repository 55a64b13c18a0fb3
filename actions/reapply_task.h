// The scheduled task that keeps the order after updates: for one user, it runs this copy of
// Orvane with --reapply at the user's logon and once a day, with the user's own rights, hidden.
// The task is defined here as Task Scheduler XML and registered through ShellServices.
#pragma once

#include <string>

class ShellServices;

// The argument that makes Orvane put back what updates recreated, without a window.
constexpr const char* ReapplyArgument = "--reapply";
// The program the task runs, in the folder of this copy: the window program, which shows nothing
// when started with ReapplyArgument.
constexpr const char* ReapplyProgramName = "Orvane.exe";

// The task's name in the scheduler's root folder: one task per user, so it holds the account's
// name (the part after the domain).
std::string ReapplyTaskName(const std::string& account);

// The task's definition for `account` ("DOMAIN\name", as the logon and the principal name it),
// running `program` with --reapply: at the account's logon and daily, as that user with the
// least privilege (never elevated: the program lies where the user may write), hidden, one run at
// a time, stopped after a few minutes, started late when a run was missed, on battery too.
std::string ReapplyTaskXml(const std::string& program, const std::string& account);

// Whether this user's task exists and runs `program`, as Windows compares paths. A task that runs
// another copy, or a program that is gone, does not count.
bool ReapplyTaskInPlace(ShellServices& shell, const std::string& program);

// Registers this user's task for `program`, replacing any earlier one. Returns the system's code,
// 0 on success.
[[nodiscard]] unsigned RegisterReapplyTask(ShellServices& shell, const std::string& program);

// Removes this user's task. Returns the system's code, 0 on success or when there was none.
[[nodiscard]] unsigned RemoveReapplyTask(ShellServices& shell);

// A system code as the messages show it: "0x80070005".
std::string HexCode(unsigned code);
