// The commands, each on one run.
#pragma once

#include <functional>
#include <iosfwd>

#include "batch/batch_context.h"
#include "run_context.h"

namespace cli {

Outcome detectCommand(Run& run);
Outcome readCommand(Run& run, std::ostream& out);
Outcome writeCommand(Run& run);
Outcome protectCommand(Run& run);
Outcome verifyCodeCommand(Run& run);
Outcome changeCodeCommand(Run& run);
Outcome atrCommand(Run& run);
Outcome apduCommand(Run& run);
Outcome scriptCommand(Run& run);
Outcome readersCommand(Run& run);
Outcome personaliseCommand(Run& run, std::ostream& out);
// The run as a personalisation's context: the code from --code-env,
// --code-file or the prompt; `clock` in seconds.
batch::BatchContext personaliseContext(Run& run, std::function<double()> clock);

// The help of the tool ("") or of a command; false for an unknown command.
bool helpText(const std::string& command, std::string& text);

}  // namespace cli
