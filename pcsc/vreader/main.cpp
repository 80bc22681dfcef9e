// pelox-vreader: a virtual PC/SC memory-card reader with one card in it, for
// pcscd's vpcd driver.
//
//   pelox-vreader [--older] [--port N] [--state FILE] TYPE
//
// TYPE is a card type of the simulated reader (sle4442, 24c64, cpu-t0, ...).
// With --state the card's state is read from FILE (created when missing)
// and saved there after every command. Runs until SIGINT or SIGTERM.
// An APDU outside the readers' documented forms is answered as a reader
// would refuse it and reported on standard error as "not documented: ...".
#include <csignal>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>

#include "pcsc/vreader/virtual_reader.h"
#include "sim/state_file.h"

namespace {
volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) { stopRequested = 1; }

int usage() {
  std::cerr << "usage: pelox-vreader [--older] [--port N] [--state FILE] TYPE\n";
  return 2;
}
}  // namespace

int main(int argc, char** argv) {
  vreader::Generation generation = vreader::Generation::Newer;
  int port = vreader::kVpcdPort;
  std::string state, type;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--older") {
      generation = vreader::Generation::Older;
    } else if (a == "--port" && i + 1 < argc) {
      try {
        port = std::stoi(argv[++i]);
      } catch (const std::exception&) {
        return usage();
      }
    } else if (a == "--state" && i + 1 < argc) {
      state = argv[++i];
    } else if (!a.empty() && a[0] != '-' && type.empty()) {
      type = a;
    } else {
      return usage();
    }
  }
  std::unique_ptr<sim::Card> card = sim::makeCard(type);
  if (!card) {
    std::cerr << "pelox-vreader: unknown card type \"" << type << "\"\n";
    return usage();
  }
  if (!state.empty()) {
    if (auto text = sim::readFile(state)) {
      std::string why;
      if (!sim::parseState(*card, *text, why)) {
        std::cerr << "pelox-vreader: " << state << ": " << why << "\n";
        return 1;
      }
    }
  }
  vreader::PseudoCard pseudo(std::move(card), generation);
  std::string saved;
  auto save = [&] {
    // Every APDU outside the readers' documented forms is reported.
    for (const std::string& v : pseudo.violations()) std::cerr << "pelox-vreader: not documented: " << v << std::endl;
    pseudo.clearViolations();
    if (state.empty()) return;
    std::string text = sim::stateText(pseudo.card());
    if (text == saved) return;
    std::string why;
    if (sim::saveAtomically(state, text, why))
      saved = text;
    else
      std::cerr << "pelox-vreader: " << state << ": " << why << "\n";
  };
  save();
  vreader::VirtualReader reader(pseudo, port, save);
  std::signal(SIGINT, onSignal);
  std::signal(SIGTERM, onSignal);
  if (!reader.insert()) return 1;
  std::cout << "pelox-vreader: " << type << " in the reader on 127.0.0.1:" << port << std::endl;
  while (!stopRequested) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  reader.pull();
  return 0;
}
