// Result codes of the reader drivers (the simulated reader and the PC/SC
// driver).
//
// Every driver function returns 0 (or a reading of 0 or more) on success and
// one of these negative codes on failure. The program only tells success from
// failure (and -134 on the firmware identification), so the finer codes are
// for people reading traces and for the tests.
#pragma once

namespace driverlib::err {

inline constexpr short kOk = 0;
inline constexpr short kLink = -1;        // reader not open, unknown handle, reader dropped
inline constexpr short kParam = -2;       // bad argument: null buffer, negative length, unknown type
inline constexpr short kProtocol = -3;    // the card does not take this command in this protocol
inline constexpr short kAddress = -4;     // address beyond the chip: no acknowledge
inline constexpr short kDenied = -5;      // write refused: locked, protected, code needed, fuse blown
inline constexpr short kPassword = -6;    // code or password rejected (one attempt used)
inline constexpr short kBlocked = -7;     // no attempts left: the code can never be presented again
inline constexpr short kHex = -8;         // text is not hexadecimal: refused before the card is touched
inline constexpr short kNoFunction = -9;  // the card has no such function
inline constexpr short kSequence = -10;   // wrong order: no zone selected, no CPU reset, no Q0
inline constexpr short kCompare = -11;    // protection refused: data differs from the stored byte
inline constexpr short kFault = -12;      // injected fault (default result of [faults] fail_call)
inline constexpr short kTooLong = -13;    // answer longer than the buffer: nothing returned, card kept
inline constexpr short kNoProtocol = -14; // the card does not offer that protocol
inline constexpr short kNoCard = -134;    // no card in the reader

}  // namespace driverlib::err
