// winscard-bridge: makes the smart-card calls of the test-only winscard.dll
// (under Wine) on pcsc-lite.
//
//   winscard-bridge [--port N] [--port-file FILE] [--verbose]
//
// Listens on 127.0.0.1:N (default: a free port), prints the port and writes
// it to FILE; the DLL finds it in WINSCARD_BRIDGE_PORT. Runs until SIGINT
// or SIGTERM.
#include <csignal>
#include <fstream>
#include <iostream>
#include <string>

#include "server.h"

namespace {
std::atomic<bool> stopRequested{false};
void onSignal(int) { stopRequested = true; }

int usage() {
  std::cerr << "usage: winscard-bridge [--port N] [--port-file FILE] [--verbose]\n";
  return 2;
}
}  // namespace

int main(int argc, char** argv) {
  int port = 0;
  std::string portFile;
  bool verbose = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--port" && i + 1 < argc) {
      try {
        port = std::stoi(argv[++i]);
      } catch (const std::exception&) {
        return usage();
      }
      if (port < 0 || port > 65535) return usage();
    } else if (a == "--port-file" && i + 1 < argc) {
      portFile = argv[++i];
    } else if (a == "--verbose") {
      verbose = true;
    } else {
      return usage();
    }
  }
  bridge::Server server;
  std::string why;
  if (!server.listen(port, why)) {
    std::cerr << "winscard-bridge: cannot listen on 127.0.0.1:" << port << ": " << why << "\n";
    return 1;
  }
  std::signal(SIGINT, onSignal);
  std::signal(SIGTERM, onSignal);
  if (!portFile.empty()) {
    const std::string temporary = portFile + ".new";
    std::ofstream(temporary) << server.port() << "\n";
    if (std::rename(temporary.c_str(), portFile.c_str()) != 0) {
      std::cerr << "winscard-bridge: cannot write " << portFile << "\n";
      return 1;
    }
  }
  std::cout << "winscard-bridge: listening on 127.0.0.1:" << server.port() << std::endl;
  server.run(stopRequested, verbose);
  return 0;
}
