#include "app/all_users_step_main.h"

#include "actions/all_users_step.h"
#include "shell/elevated_step.h"
#include "shell/windows_shell.h"
#include "win32/handles.h"
#include "win32/system.h"

namespace {

// The real shell, but what the step would show goes back to the program that asked for it.
class TStepShell : public WindowsShell {
public:
    void ShowMessage(const std::string& text) override { messages_.push_back(text); }
    const std::vector<std::string>& Messages() const { return messages_; }

private:
    std::vector<std::string> messages_;
};

} // namespace

std::optional<int> ServeAllUsersStepIfAsked(const std::vector<std::string>& args) {
    if (args.size() != 2 || args[0] != ElevatedStepOption)
        return std::nullopt;
    // Nothing the step expands (a shortcut's target it judges) takes a variable the user set.
    UseMachineEnvironment();
    // COM for the shell's moves, on this one thread.
    TComScope com;
    TStepShell shell;
    return ServeElevatedRequest(args[1], [&shell](const std::string& request) {
        TAllUsersOutcome outcome = ServeAllUsersStep(shell, request);
        outcome.Messages = shell.Messages();
        return FormatOutcome(outcome);
    });
}
