// The card types by the names the command line takes (those of the
// simulated reader's INI file).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "cards/card_types.h"

std::optional<CardType> cardTypeNamed(std::string_view name);
// "sle4442"; "" for a type without a name here.
std::string nameOf(CardType type);
// Every name, separated by blanks (for help and errors).
std::string cardTypeNames();
