// The lexer and preprocessor of the resource-script reader: the tokens of a
// script, and its #define, #include and #pragma lines.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace rc::detail {

enum class Tok { End, Ident, Number, String, Punct };

struct Token {
  Tok kind = Tok::End;
  std::string text;  // identifier, resolved string, punctuation or number text
  long value = 0;    // numbers
  int line = 0;
};

// The numeric #defines seen so far, by name.
using Defines = std::map<std::string, long>;

// Splits the script at `path` into tokens. The preprocessor lines are taken
// here: numeric #defines of the script and of the headers it includes by a
// quoted name go into `defines`; system headers and #pragma are skipped.
std::vector<Token> tokenize(const std::string& path, Defines& defines);

}  // namespace rc::detail
