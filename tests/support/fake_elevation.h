// The all-users step served by the same fake shell, as if the user agreed to Windows' prompt: the
// request text in, the step's outcome out, through the same lines the two programs hand over.
#pragma once

#include "actions/all_users_step.h"
#include "support/fake_shell.h"

inline void AcceptElevation(FakeShell& shell) {
    shell.elevatedStep = [&shell](const std::string& request) {
        const size_t shown = shell.messages.size();
        shell.elevated = true;
        TAllUsersOutcome outcome = ServeAllUsersStep(shell, request);
        shell.elevated = false;
        // What the step said goes back to the program that asked for it, which shows it.
        outcome.Messages.assign(shell.messages.begin() + static_cast<long>(shown),
                                shell.messages.end());
        shell.messages.resize(shown);
        return TElevatedRun{0, FormatOutcome(outcome)};
    };
}
