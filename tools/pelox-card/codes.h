// The cards' codes: where they come from (a prompt without echo, a file,
// an environment variable; never the command line) and their presentation
// with the attempt counter read before and after.
#pragma once

#include <string>

#include "run_context.h"

namespace cli {

// The code of the selected card type from --code-env, --code-file or the
// prompt (`fresh`: the new code of change-code, from the --new-code-*
// options). Its length and digits are checked; nothing reaches the card.
Outcome obtainCode(Run& run, bool fresh, std::string& code);

// Presents the card's code: the counter is read first (a locked card and,
// without --last-attempt, the last attempt are refused before the prompt),
// then the code, then the counter again. Reports attemptsLeft and verified.
Outcome presentCardCode(Run& run);

// Presents the current code, then writes the new one.
Outcome changeCardCode(Run& run);

// Whether the selected card type has a code this tool presents.
bool hasCode(const Run& run);

}  // namespace cli
