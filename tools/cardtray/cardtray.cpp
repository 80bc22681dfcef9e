// cardtray: the virtual card tray of the simulated reader.
//
//   cardtray [--ini FILE] list | insert TYPE [--fresh] | load FILE [--fresh] | pull | reset-counters | dump
#include <iostream>
#include <string>
#include <vector>

#include "tray.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    return tray::run(args, CARDTRAY_DEFAULT_INI, std::cout, std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "cardtray: " << e.what() << "\n";
    return 1;
  }
}
