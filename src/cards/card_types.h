// The two code spaces of card types. A `CardType` is the program's own code
// for a kind of card: what the operator chooses or the detection finds, what
// the view's caption and memory map belong to. A `DriverType` is what the
// reader's IC_InitType takes to select a card protocol (`pelox::DriverType`). The numbers of the
// two spaces collide (65 is the 24C02 as a card type but the AT45D041 as a
// driver type), so they are kept apart by type; `driverTypeFor` in the card
// catalogue maps one onto the other, and the numbers are taken out only at
// a driver call.
#pragma once

enum class CardType : int {
  None = -1,  // no card type chosen or found
  Sle4406 = 2,
  Sle4418 = 4,
  Sle4428 = 5,
  Gpm103 = 6,  // Gemplus GPM103
  Sle4404 = 8,
  Cpu = 12,  // microprocessor card, T=0 or T=1
  Sam = 13,
  Sle4432 = 16,
  Sle4442 = 17,
  At88sc101 = 32,
  At88sc102 = 33,
  At88sc103 = 34,
  At24c01a = 64,
  At24c02 = 65,
  At24c04 = 66,
  At24c08 = 67,
  At24c16 = 68,
  At88sc1604 = 160,
  At45d041 = 161,
  At88sc1604b = 162,
  Ssf1101 = 163,
  At24c64 = 192,
  At88sc1608 = 208,
  At88sc153 = 209,
};

// The driver's own code space, in the driver's namespace: Windows headers
// declare a global DriverType of their own.
namespace pelox {

enum class DriverType : short {
  None = -1,        // the reader has no protocol selected (the simulator's own state)
  I2cPageMode = 1,  // a 24C16 in the reader's page operation mode
  Sle4406 = 2,
  Sle4428 = 4,  // SLE4418 and SLE4428
  Gpm103 = 6,
  Sle4404 = 8,
  Cpu = 12,  // the CPU card slot
  Sam = 13,  // the reader's SAM slots
  Sam1 = 14,
  Sam2 = 15,
  Sle4442 = 16,    // SLE4432 and SLE4442
  At88sc102 = 32,  // AT88SC101, 102 and 103
  I2c = 64,        // 24C01A to 24C16: one address byte
  At45d041 = 65,
  Ssf1101 = 66,
  At88sc1604 = 160,         // AT88SC1604 and 1604B
  I2cTwoByteAddress = 192,  // 24C64
  At88sc1608 = 208,
  At88sc153 = 209,
  ReaderIdentification = 253,  // the reader itself: a read returns its identification bytes
};

// The number IC_InitType takes.
constexpr short codeOf(DriverType t) { return static_cast<short>(t); }

}  // namespace pelox

// The protocol of a CPU card as IC_CpuGetProtocol reports it; any other
// value means not determined.
enum class CpuProtocol : int {
  Undetermined = -1,
  T0 = 0,
  T1 = 1,
};

// The number, for texts.
constexpr int codeOf(CardType t) { return static_cast<int>(t); }
