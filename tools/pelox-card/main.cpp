// pelox-card: the thin program around the commands. Natively it links the
// PC/SC driver and the simulated reader; on Windows it loads pelox.dll from
// beside itself or from --driver-dll, as the window does.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "pcsc_readers.h"
#include "prompt.h"
#include "tool.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "win_console.h"
#else
#include "pcsc/pcsc_api.h"
#include "sim/sim_api.h"
#endif

namespace {

#ifndef _WIN32
bool bindNative(const std::string& driver, DriverTable& table, std::string& why) {
  if (driver == "pcsc") {
    pcsc::fillDriverTable(table);
    return true;
  }
  if (driver == "sim") {
    sim::fillDriverTable(table);
    return true;
  }
  why = "未知驱动“" + driver + "”：可用 pcsc 或 sim";
  return false;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args;
#ifdef _WIN32
  args = cli::wideArguments();
  // Card images go to standard output byte for byte.
  _setmode(_fileno(stdout), _O_BINARY);
  cli::Environment env;
  env.bindDriver = cli::bindDll;
  env.defaultDriver = cli::dllBesideProgram();
  env.setenv = [](const std::string& name, const std::string& value) { cli::setEnvironment(name, value); };
  cli::ConsoleStream out(stdout), err(stderr);
  std::ostream& outStream = out.stream();
  std::ostream& errStream = err.stream();
#else
  args.assign(argv + 1, argv + argc);
  cli::Environment env;
  env.bindDriver = bindNative;
  env.defaultDriver = "pcsc";
  env.setenv = [](const std::string& name, const std::string& value) { ::setenv(name.c_str(), value.c_str(), 1); };
  std::ostream& outStream = std::cout;
  std::ostream& errStream = std::cerr;
#endif
  (void)argc;
  (void)argv;
  env.listReaders = cli::listPcscReaders;
  env.getenv = [](const char* name) -> const char* { return std::getenv(name); };
  env.prompt = [&errStream](const std::string& label) { return cli::promptWithoutEcho(label, errStream); };
  try {
    return cli::run(args, env, outStream, errStream);
  } catch (const std::exception& e) {
    errStream << "pelox-card: " << e.what() << "\n";
    return cli::kFailed;
  }
}
