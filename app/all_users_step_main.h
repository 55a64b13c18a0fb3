// The all-users step as both programs serve it when started for it with administrator rights.
#pragma once

#include <optional>
#include <string>
#include <vector>

// When the arguments ask this program to serve the all-users step ("--all-users-step NAME"),
// serves it and returns the exit code; else nothing.
std::optional<int> ServeAllUsersStepIfAsked(const std::vector<std::string>& args);
