// verify-code and change-code.
#include "codes.h"
#include "commands.h"

namespace cli {

namespace {

Outcome openAndSelect(Run& run) {
  CardType type{};
  if (Outcome r = run.requiredType(type); r.status != kDone) return r;
  if (Outcome r = run.openReader(); r.status != kDone) return r;
  return run.selectCardType(type);
}

}  // namespace

Outcome verifyCodeCommand(Run& run) {
  if (Outcome r = openAndSelect(run); r.status != kDone) return r;
  return presentCardCode(run);
}

Outcome changeCodeCommand(Run& run) {
  if (Outcome r = openAndSelect(run); r.status != kDone) return r;
  return changeCardCode(run);
}

}  // namespace cli
