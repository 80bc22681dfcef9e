// pelox-card personalise through pcscd and the virtual reader: cards put in
// and taken out of the virtual reader while the tool polls, each with its
// serial; the rate without the operator's waits is printed.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "batch/batch_log.h"
#include "sim/card.h"
#include "stack_fixture.h"
#include "tool.h"

namespace stacktest {
namespace {

using Clock = std::chrono::steady_clock;

class StackPersonalise : public StackTest {
 protected:
  std::string file(const std::string& name) { return ::testing::TempDir() + "stack-batch-" + name; }
  std::vector<std::string> logLines() {
    std::ifstream in(file("log.csv"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  // The operator between the tool's polls: a card out once its outcome is
  // logged, the next one in when pcscd has surely seen the last one go (the
  // tool holds the driver's reader: the fixture's start() would reopen it).
  void operatorActs(const std::string& type) {
    const auto lines = logLines();
    if (cardIn && lines.size() > linesAtInsert && batch::csvFields(lines.back()).at(6) != "started") {
      finished.push_back(reader_->withCard([](vreader::PseudoCard& c) { return c.card().rawMemory(); }));
      pull();
      cardIn = false;
      pulledAt = Clock::now();
    } else if (!cardIn && left > 0 && Clock::now() - pulledAt > std::chrono::milliseconds(1500)) {
      reader_.reset();
      pseudo_ = std::make_unique<vreader::PseudoCard>(sim::makeCard(type), Generation::Newer);
      reader_ = std::make_unique<vreader::VirtualReader>(*pseudo_);
      ASSERT_TRUE(reader_->insert());
      --left;
      cardIn = true;
      linesAtInsert = lines.size();
    }
  }
  Clock::time_point pulledAt{};
  bool cardIn = false;
  int left = 0;
  std::size_t linesAtInsert = 0;
  std::vector<std::vector<std::uint8_t>> finished;
};

struct Case {
  const char* type;
  int cards;
};

// Each card type on a fixture of its own: a fresh virtual reader for each.
class StackPersonaliseTypes : public StackPersonalise, public ::testing::WithParamInterface<Case> {};

TEST_P(StackPersonaliseTypes, CardsOneAfterAnotherWithTheirSerials) {
  {
    const Case c = GetParam();
    std::remove(file("log.csv").c_str());
    finished.clear();
    if (cardIn) pull();  // the last case's card
    cardIn = false;
    linesAtInsert = 0;
    pulledAt = Clock::now();
    left = c.cards;
    auto image = sim::makeCard(c.type)->rawMemory();
    image.resize(c.type == std::string("sle4442") ? 256 : 8192);
    for (std::size_t i = 0x80; i < 0xC0; ++i) image[i] = static_cast<std::uint8_t>(i * 7);
    std::ofstream(file("image.bin"), std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    std::ofstream(file("code.txt")) << "FFFFFF\n";
    double waited = 0;
    cli::Environment env;
    env.bindDriver = [](const std::string&, DriverTable& t, std::string&) {
      pcsc::fillDriverTable(t);
      return true;
    };
    env.getenv = [](const char* name) -> const char* { return std::getenv(name); };
    env.setenv = [](const std::string& n, const std::string& v) { ::setenv(n.c_str(), v.c_str(), 1); };
    env.sleep = [&](int ms) {
      const auto t = Clock::now();
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
      operatorActs(c.type);
      waited += std::chrono::duration<double>(Clock::now() - t).count();
    };
    std::vector<std::string> args = {"--reader", "Virtual PCD 00 00", "personalise", file("image.bin"), "--type",
                                     c.type, "--serial", "0x40:2:500", "--count", std::to_string(c.cards),
                                     "--log", file("log.csv")};
    if (c.type == std::string("sle4442")) args.insert(args.end(), {"--code-file", file("code.txt")});
    std::ostringstream o, e;
    const auto t0 = Clock::now();
    ASSERT_EQ(cli::run(args, env, o, e), cli::kDone) << c.type << o.str() << e.str();
    const double total = std::chrono::duration<double>(Clock::now() - t0).count();
    finished.push_back(reader_->withCard([](vreader::PseudoCard& card) { return card.card().rawMemory(); }));
    ASSERT_EQ(finished.size(), static_cast<std::size_t>(c.cards));
    for (int i = 0; i < c.cards; ++i) {
      const auto& m = finished[static_cast<std::size_t>(i)];
      EXPECT_EQ(m[0x40] << 8 | m[0x41], 500 + i) << c.type << " card " << i;
      EXPECT_TRUE(std::equal(image.begin() + 0x80, image.begin() + 0xC0, m.begin() + 0x80)) << c.type;
    }
    std::printf("personalise %s: %d cards, %.0f ms per card without the operator's waits (%.0f cards/min)\n",
                c.type, c.cards, 1000 * (total - waited) / c.cards, 60 * c.cards / (total - waited));
    conforms();
  }
}

INSTANTIATE_TEST_SUITE_P(Types, StackPersonaliseTypes, ::testing::Values(Case{"24c64", 2}, Case{"sle4442", 3}),
                         [](const ::testing::TestParamInfo<Case>& i) { return std::string("t") + i.param.type; });

}  // namespace
}  // namespace stacktest
