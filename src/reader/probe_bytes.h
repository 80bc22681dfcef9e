// The bytes the detection probes write: the write and read call of each
// probe's protocol, the record of what is on the card and not yet put back,
// and putting back what an earlier run left.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reader/reader_context.h"

namespace probe {

// The probe's write in `driverType`'s protocol (page 0 of the AT45D041 and
// SSF1101, the configuration zone of the AT88SC153 and AT88SC1608); 0 is
// success.
short writeBytes(DriverTable& drv, int handle, pelox::DriverType driverType, short address, short length,
                 const std::uint8_t* data);
// The matching read; false when the card refuses it.
bool readBytes(DriverTable& drv, int handle, pelox::DriverType driverType, short address, short length,
               std::uint8_t* out);
// Whether a byte of `driverType` is put back by erasing it first: the
// AT88SC1604's and AT88SC102's bits only clear.
bool erasedFirst(pelox::DriverType driverType);

// The probe bytes on the card that are not put back yet, oldest first.
class Ledger {
 public:
  // A probe write of `length` bytes at `address` went through; `before`
  // is what they held before the probe's first write there.
  void wrote(pelox::DriverType driverType, int address, int length, const std::uint8_t* before,
             const std::uint8_t* written);
  // The bytes at `address` hold their value before again.
  void putBack(pelox::DriverType driverType, int address, int length);
  const std::vector<ProbeByte>& open() const { return open_; }

 private:
  std::vector<ProbeByte> open_;
};

// Puts back the probe bytes `left` by an earlier run where the card still
// holds what the probe wrote, each checked by reading it again. Returns
// those that could not be read (kept for a later run); a byte that holds
// neither value is left alone and dropped (the card was changed or
// swapped). Each outcome goes to the driver trace.
std::vector<ProbeByte> putBackLeftovers(ReaderContext ctx, const std::vector<ProbeByte>& left);

// The driver trace's line for probe bytes: "type 64: 0000 21->63, ...".
std::string traceText(const std::vector<ProbeByte>& bytes);

}  // namespace probe
