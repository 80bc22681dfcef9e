// Data exchange between the consoles' members and their controls.
// Saving (controls -> members) refuses a field with its own message, puts
// the focus on it with its text selected and returns false; the member keeps
// its value.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dialog.h"

namespace consoles {

bool exchangeText(port::DialogControls& c, int id, std::string& value, bool save);
// Signed decimal: "Please enter an integer.".
bool exchangeInt(port::DialogControls& c, int id, std::int32_t& value, bool save);
// Unsigned decimal: "Please enter a positive integer.".
bool exchangeUnsigned(port::DialogControls& c, int id, std::uint32_t& value, bool save);
// A byte, 0..255: "Please enter an integer between 0 and 255.".
bool exchangeByte(port::DialogControls& c, int id, std::uint8_t& value, bool save);
// Index of the checked radio button of the group first..last, -1 for none.
void exchangeRadio(port::DialogControls& c, int first, int last, int& index, bool save);

}  // namespace consoles
