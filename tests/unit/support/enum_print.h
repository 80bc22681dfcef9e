// Card types, driver types, ports and view states print as their numbers
// in test messages.
#pragma once

#include <ostream>

#include "support/enum_print.h"
#include "view/app_state.h"

inline std::ostream& operator<<(std::ostream& os, CardType t) { return os << codeOf(t); }
inline std::ostream& operator<<(std::ostream& os, pelox::DriverType t) { return os << codeOf(t); }
inline std::ostream& operator<<(std::ostream& os, ReaderPort p) { return os << codeOf(p); }
inline std::ostream& operator<<(std::ostream& os, CpuProtocol p) { return os << static_cast<int>(p); }
inline std::ostream& operator<<(std::ostream& os, ViewState s) { return os << static_cast<int>(s); }
inline std::ostream& operator<<(std::ostream& os, DetectResult r) { return os << static_cast<int>(r); }
