// The personalisation tests' operator: a scripted stream of cards over the
// in-memory simulator, put in and taken out whenever the engine waits.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "batch/batch_engine.h"
#include "commands.h"
#include "sim/sim_api.h"
#include "tool.h"

namespace personalise_test {


namespace fs = std::filesystem;
using batch::BatchEngine;

struct ScriptedCard {
  const char* type = "sle4442";
  std::function<void(cli::Run&)> prepare;  // after the insert: memory, faults, counters
  bool pullWhenStarted = false;            // taken out once the write has begun
};

struct Personalise : ::testing::Test {
  fs::path dir;
  cli::Options options;
  cli::Environment env;
  std::ostringstream err;
  std::unique_ptr<cli::Run> run;
  std::deque<ScriptedCard> cards;
  bool inserted = false;
  bool pullNow = false;
  std::vector<std::vector<std::uint8_t>> finished;  // each card's memory when it was taken out
  double now = 0;

  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("pelox-batch-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    sim::TestReader::reset("none");
    env.bindDriver = [](const std::string&, DriverTable& t, std::string&) {
      sim::fillDriverTable(t);
      return true;
    };
    env.defaultDriver = "sim";
    env.setenv = [](const std::string&, const std::string&) {};
    env.getenv = [](const char*) -> const char* { return nullptr; };
    options.command = "personalise";
    options.codeFile = path("code.txt");
    std::ofstream(path("code.txt")) << "FFFFFF\n";
    run = std::make_unique<cli::Run>(options, env, err);
    ASSERT_EQ(run->openReader().status, cli::kDone);
  }
  void TearDown() override {
    run.reset();
    sim::TestReader::setFaults({});
    sim::TestReader::reset();
    fs::remove_all(dir);
  }
  std::string path(const std::string& name) { return (dir / name).string(); }

  batch::BatchPlan plan(int count) {
    batch::BatchPlan p;
    p.type = CardType::Sle4442;
    sim::TestReader::insert("sle4442");
    p.image = sim::TestReader::memory();
    sim::TestReader::pull();
    for (int a = 0x40; a < 0x48; ++a) p.image[static_cast<std::size_t>(a)] = static_cast<std::uint8_t>(a);
    p.serial = batch::SerialField{0x80, 2, 1, false};
    p.count = count;
    return p;
  }

  // The operator, while the engine waits: takes the card out, or puts the
  // next one in; false when there is none left.
  bool operatorActs() {
    if (inserted) {
      finished.push_back(sim::TestReader::memory());
      sim::TestReader::setFaults({});
      sim::TestReader::pull();
      inserted = false;
      return true;
    }
    if (cards.empty()) return false;
    ScriptedCard c = cards.front();
    cards.pop_front();
    sim::TestReader::insert(c.type);
    inserted = true;
    pullNow = c.pullWhenStarted;
    if (c.prepare) c.prepare(*run);
    now += 2;  // the operator's hands
    return true;
  }

  // Steps the engine to its end, as a timer would.
  void drive(BatchEngine& engine) {
    auto hook = engine.afterStarted;
    engine.afterStarted = [this, hook](unsigned long long serial) {
      if (hook) hook(serial);
      if (pullNow) sim::TestReader::pull();
    };
    for (int guard = 0; guard < 100000 && !engine.finished(); ++guard) {
      const int wait = engine.step();
      now += wait / 1000.0;
      if (wait != 0 && !operatorActs()) engine.stop();
    }
    if (inserted) finished.push_back(sim::TestReader::memory());
  }

  // pelox-card itself, the test as the operator between its polls.
  int cli(std::vector<std::string> args, std::string& out) {
    env.sleep = [this](int) {
      if (!operatorActs()) throw std::runtime_error("no card left");
    };
    env.clock = [this] { return now; };
    std::ostringstream o, e;
    const int status = cli::run(args, env, o, e);
    out = o.str() + e.str();
    return status;
  }

  std::vector<std::string> logResults() {
    std::vector<std::string> results;
    std::ifstream in(path("log.csv"));
    std::string line;
    std::getline(in, line);  // the header
    while (std::getline(in, line)) {
      const auto f = batch::csvFields(line);
      results.push_back(f.at(6) + (f.at(4).empty() ? "" : " " + f.at(4)));
    }
    return results;
  }

  std::unique_ptr<BatchEngine> engine(batch::BatchPlan p, batch::LogHistory history = {}, unsigned long long first = 1) {
    std::string why;
    EXPECT_TRUE(log.open(path("log.csv"), why)) << why;
    return std::make_unique<BatchEngine>(cli::personaliseContext(*run, [this] { return now; }), std::move(p), log,
                                         std::move(history), first);
  }
  batch::BatchLog log;
};

}  // namespace personalise_test
