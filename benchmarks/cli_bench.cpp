// pelox-card's own cost: a whole `read`, `write` and one card of a
// `personalise` run of an SLE4442 and a 24C64 through pcsc-lite, pcscd,
// vpcd and the virtual reader, against the same APDUs sent by a bare
// pcsc-lite loop (context, connection, the APDUs one after the other), as a
// ratio of one run; and the program's start-up.
// Run it in the test pcscd's namespace:
//   scripts/pcscd.sh start && scripts/pcscd.sh run build/bench/benchmarks/cli_bench build/bench/bin/pelox-card
#include <PCSC/winscard.h>
#include <PCSC/wintypes.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "pcsc/pcsc_api.h"
#include "pcsc/vreader/virtual_reader.h"
#include "tool.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The tool's command, in this process, as the program runs it.
int tool(const std::vector<std::string>& args) {
  cli::Environment env;
  env.bindDriver = [](const std::string&, DriverTable& table, std::string&) {
    pcsc::fillDriverTable(table);
    return true;
  };
  env.listReaders = [](std::vector<cli::ReaderEntry>&, std::string&) { return false; };
  env.prompt = [](const std::string&) { return std::optional<std::string>(); };
  env.getenv = [](const char* name) -> const char* { return std::getenv(name); };
  env.setenv = [](const std::string& name, const std::string& value) { ::setenv(name.c_str(), value.c_str(), 1); };
  env.defaultDriver = "pcsc";
  std::ostringstream out, err;
  int status = cli::run(args, env, out, err);
  if (status != 0) std::fprintf(stderr, "cli_bench: pelox-card failed (%d): %s\n", status, err.str().c_str());
  return status;
}

// The same APDUs through pcsc-lite alone: a context, a connection to the
// reader, each APDU, the disconnection.
bool bareLoop(const std::vector<Bytes>& apdus) {
  SCARDCONTEXT context = 0;
  if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context) != SCARD_S_SUCCESS) return false;
  SCARDHANDLE card = 0;
  DWORD protocol = 0;
  bool ok = SCardConnect(context, "Virtual PCD 00 00", SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1,
                         &card, &protocol) == SCARD_S_SUCCESS;
  const SCARD_IO_REQUEST* pci = protocol == SCARD_PROTOCOL_T1 ? SCARD_PCI_T1 : SCARD_PCI_T0;
  for (const Bytes& apdu : apdus) {
    if (!ok) break;
    BYTE answer[260];
    DWORD length = sizeof answer;
    ok = SCardTransmit(card, pci, apdu.data(), static_cast<DWORD>(apdu.size()), nullptr, answer, &length) ==
         SCARD_S_SUCCESS;
  }
  SCardDisconnect(card, SCARD_LEAVE_CARD);
  SCardReleaseContext(context);
  return ok;
}

struct Figure {
  double toolMs, bareMs;
  std::size_t apdus;
};

// Runs `args` against a fresh card of `type` `rounds` times (the card's
// memory put back before each run, so that every write writes), then the
// APDUs of its last run as a bare loop as often.
Figure measure(const char* type, const std::vector<std::string>& args, int rounds, const char* fresh = nullptr) {
  vreader::PseudoCard card(sim::makeCard(type), vreader::Generation::Newer);
  const Bytes factory = card.card().rawMemory();
  vreader::VirtualReader reader(card);
  if (!reader.insert()) std::exit(1);
  std::this_thread::sleep_for(std::chrono::milliseconds(600));  // pcscd sees the card
  std::vector<Bytes> log;
  std::vector<double> toolRuns, bareRuns;
  for (int i = 0; i < rounds; ++i) {
    reader.withCard([&](vreader::PseudoCard& c) {
      c.card().setRawMemory(0, factory);
      log.clear();
      c.logApdus(&log);
      return 0;
    });
    if (fresh != nullptr) std::remove(fresh);  // a personalisation log of this run only
    auto start = Clock::now();
    if (tool(args) != 0) std::exit(1);
    toolRuns.push_back(msSince(start));
  }
  std::vector<Bytes> apdus = reader.withCard([&](vreader::PseudoCard& c) {
    c.logApdus(nullptr);
    return log;
  });
  for (int i = 0; i < rounds; ++i) {
    auto start = Clock::now();
    if (!bareLoop(apdus)) std::exit(1);
    bareRuns.push_back(msSince(start));
  }
  reader.pull();
  std::this_thread::sleep_for(std::chrono::milliseconds(600));  // pcscd sees the card go
  return {median(toolRuns), median(bareRuns), apdus.size()};
}

// Milliseconds from starting the program to its end, for `--help`.
double startup(const char* program) {
  std::vector<double> runs;
  for (int i = 0; i < 30; ++i) {
    auto start = Clock::now();
    pid_t pid = 0;
    char* argv[] = {const_cast<char*>(program), const_cast<char*>("--help"), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid, program, &actions, nullptr, argv, environ) != 0) return -1;
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    waitpid(pid, &status, 0);
    runs.push_back(msSince(start));
  }
  return median(runs);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string ini = "/tmp/pelox-cli-bench.ini";
  std::ofstream(ini) << "[reader]\nname = Virtual PCD 00 00\n";
  ::setenv("PELOX_PCSC_INI", ini.c_str(), 1);
  const std::string image4442 = "/tmp/pelox-cli-bench-4442.bin", image64 = "/tmp/pelox-cli-bench-24c64.bin";
  struct Row {
    const char* what;
    const char* card;
    std::vector<std::string> args;
    int rounds;
  };
  // The write images: every byte differs from a factory card's, but the
  // SLE4442's first 32 (its header) and the 24C64's none.
  {
    Bytes b(8192);
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 7);
    std::ofstream(image64, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), 8192);
    Bytes sle = sim::makeCard("sle4442")->rawMemory();
    for (std::size_t i = 32; i < sle.size(); ++i) sle[i] = static_cast<std::uint8_t>(i * 5);
    std::ofstream(image4442, std::ios::binary).write(reinterpret_cast<const char*>(sle.data()), 256);
  }
  ::setenv("PELOX_BENCH_PSC", "FFFFFF", 1);
  const Row rows[] = {
      {"read SLE4442 (256 bytes)", "sle4442", {"--driver", "pcsc", "read", "--type", "sle4442", "--format", "bin", "-o", "/tmp/pelox-cli-bench-out.bin"}, 20},
      {"write SLE4442 (224 bytes)", "sle4442", {"--driver", "pcsc", "write", image4442, "--type", "sle4442", "--code-env", "PELOX_BENCH_PSC"}, 10},
      {"read 24C64 (8192 bytes)", "24c64", {"--driver", "pcsc", "read", "--type", "24c64", "--format", "bin", "-o", "/tmp/pelox-cli-bench-out.bin"}, 10},
      {"write 24C64 (8192 bytes)", "24c64", {"--driver", "pcsc", "write", image64, "--type", "24c64"}, 5},
  };
  std::printf("%-28s %10s %10s %8s %9s\n", "pelox-card", "tool ms", "bare ms", "APDUs", "overhead");
  for (const Row& r : rows) {
    Figure f = measure(r.card, r.args, r.rounds);
    std::printf("%-28s %10.2f %10.2f %8zu %8.1f%%\n", r.what, f.toolMs, f.bareMs, f.apdus,
                100.0 * (f.toolMs - f.bareMs) / f.bareMs);
  }
  // One card of a batch: the card in the reader from the start, so the
  // operator's waits are left out; against the same APDUs in a bare loop.
  const char* log = "/tmp/pelox-cli-bench-batch.csv";
  const Row batch[] = {
      {"personalise SLE4442", "sle4442", {"--driver", "pcsc", "personalise", image4442, "--type", "sle4442", "--count", "1", "--log", log, "--serial", "64:4:1", "--code-env", "PELOX_BENCH_PSC"}, 10},
      {"personalise 24C64", "24c64", {"--driver", "pcsc", "personalise", image64, "--type", "24c64", "--count", "1", "--log", log, "--serial", "64:4:1"}, 5},
  };
  for (const Row& r : batch) {
    Figure f = measure(r.card, r.args, r.rounds, log);
    std::printf("%-28s %10.2f %10.2f %8zu %8.1f%%  (%.0f cards a minute)\n", r.what, f.toolMs, f.bareMs, f.apdus,
                100.0 * (f.toolMs - f.bareMs) / f.bareMs, 60000.0 / f.toolMs);
  }
  std::remove(log);
  if (argc > 1) std::printf("start-up of %s --help (median of 30): %.2f ms\n", argv[1], startup(argv[1]));
  std::remove(ini.c_str());
  std::remove(image64.c_str());
  std::remove(image4442.c_str());
  std::remove("/tmp/pelox-cli-bench-out.bin");
  return 0;
}
