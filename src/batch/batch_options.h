// The options of a personalisation run as the dialog's boxes hold them,
// and the plan made from them. Every option is checked before anything
// reaches a card or the log.
#pragma once

#include <string>

#include "batch/batch_plan.h"
#include "platform/ports.h"

namespace batch {

struct BatchOptions {
  std::string image;  // the card image file
  std::string count;  // cards to finish (ignored until stopped)
  bool untilStopped = false;
  std::string serial;  // "ADDR:LEN:START", may be empty
  bool bcd = false;
  std::string fields;  // "ADDR=HEX" items separated by blanks, commas or semicolons
  std::string code;    // the card's code, where it has one
  bool stopOnFailure = false;
  std::string protect;  // ranges "0-15,0x20"
  std::string log;
  bool resume = false;
};

// Which option a refusal is about (a control of the dialog).
enum class Option { Image, Count, Serial, Fields, Code, Protect, Log };

struct PlanRefusal {
  std::string message;  // empty: the plan is good
  Option option = Option::Image;
};

// The plan for card type `type` (the AT88SC1608's user zone `zoneIndex`);
// the image file is read through `files` and must be the card's size.
PlanRefusal makePlan(const BatchOptions& options, CardType type, int zoneIndex, port::FileDialogs& files,
                     CardCatalogue& catalogue, BatchPlan& plan);

}  // namespace batch
