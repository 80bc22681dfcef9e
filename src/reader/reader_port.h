// The ports a reader answers on, by the numbers IC_InitComm takes.
#pragma once

enum class ReaderPort : int {
  None = -1,  // no reader found
  Com1 = 0,
  Com2 = 1,
  Com3 = 2,
  Com4 = 3,
  Usb = 100,
};

constexpr int codeOf(ReaderPort p) { return static_cast<int>(p); }
