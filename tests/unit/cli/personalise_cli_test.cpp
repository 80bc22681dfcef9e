// pelox-card personalise end to end in-process: its refusals before any
// card is touched, and a run of cards with a BCD serial, a fixed field and
// write protection.
#include "personalise_fixture.h"

namespace {

using namespace personalise_test;

struct PersonaliseCli : Personalise {
  std::vector<std::string> args(std::vector<std::string> extra, const char* type = "sle4442") {
    sim::TestReader::insert(type);
    const auto image = sim::TestReader::memory();
    sim::TestReader::pull();
    std::ofstream(path("image.bin"), std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    std::vector<std::string> a = {"personalise", path("image.bin"), "--driver", "sim", "--type", type,
                                  "--code-file", path("code.txt")};
    a.insert(a.end(), extra.begin(), extra.end());
    return a;
  }
};

TEST_F(PersonaliseCli, RefusalsBeforeAnyCardIsTouched) {
  std::ofstream(path("old.csv")) << "time,reader,card type,id,serial,bytes written,result,message\n"
                                    "x,usb,sle4442,,7,0,started,\n";
  struct Case {
    std::vector<std::string> extra;
    const char* type;
    int status;
    const char* message;
  } cases[] = {
      {{"--count", "1"}, "sle4442", cli::kUsage, "--log"},
      {{"--log", path("l.csv"), "--field", "1021=00"}, "sle4428", cli::kUsage, "密码"},
      {{"--log", path("l.csv"), "--serial", "0x40:2:1", "--field", "0x41=00"}, "sle4442", cli::kUsage, "重叠"},
      {{"--log", path("l.csv"), "--serial", "0x40:1:256"}, "sle4442", cli::kUsage, "放不进"},
      {{"--log", path("l.csv"), "--serial", "0x40:1:100", "--bcd"}, "sle4442", cli::kUsage, "放不进"},
      {{"--log", path("l.csv"), "--serial", "0x40:9:1"}, "sle4442", cli::kUsage, "无效"},
      {{"--log", path("l.csv"), "--field", "0xFF=0000"}, "sle4442", cli::kUsage, "超出"},
      {{"--log", path("l.csv"), "--field", "0x40=XY"}, "sle4442", cli::kUsage, "无效"},
      {{"--log", path("l.csv"), "--bcd"}, "sle4442", cli::kUsage, "--bcd"},
      {{"--log", path("l.csv"), "--protect", "0-3"}, "sle4442", cli::kRefused, "--yes"},
      {{"--log", path("l.csv"), "--protect", "0-3", "--yes"}, "24c02", cli::kUsage, "只用于"},
      {{"--log", path("old.csv")}, "sle4442", cli::kUsage, "--resume"},
  };
  for (const Case& c : cases) {
    const auto a = args(c.extra, c.type);
    sim::TestReader::insert(c.type);
    const std::string before = sim::TestReader::stateText();
    inserted = true;
    std::string out;
    EXPECT_EQ(cli(a, out), c.status) << c.extra.back() << out;
    EXPECT_NE(out.find(c.message), std::string::npos) << out;
    EXPECT_EQ(sim::TestReader::stateText(), before) << c.extra.back();
    EXPECT_FALSE(fs::exists(path("l.csv")));
  }
}

TEST_F(PersonaliseCli, CardsGetTheirSerialTheFieldAndTheProtection) {
  cards = {{}, {}, {}};
  std::string out;
  ASSERT_EQ(cli(args({"--log", path("log.csv"), "--count", "3", "--serial", "0x80:3:99", "--bcd", "--field",
                      "0x90=CAFE", "--protect", "0-3,5", "--yes"}),
                out),
            cli::kDone)
      << out;
  finished.push_back(sim::TestReader::memory());
  EXPECT_EQ(logResults(),
            (std::vector<std::string>{"started 99", "ok 99", "started 100", "ok 100", "started 101", "ok 101"}));
  const std::vector<std::vector<std::uint8_t>> serials = {{0, 0, 0x99}, {0, 1, 0}, {0, 1, 1}};
  ASSERT_EQ(finished.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_TRUE(std::equal(serials[i].begin(), serials[i].end(), finished[i].begin() + 0x80)) << i;
    EXPECT_EQ(finished[i][0x90], 0xCA);
    EXPECT_EQ(finished[i][0x91], 0xFE);
  }
  // Bytes 0 to 3 and 5 of the last card are protected (00 in the
  // simulator's protection field), byte 4 is not.
  const std::string state = sim::TestReader::stateText();
  const auto at = state.find("protection");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(state.substr(at, 31), "protection 32\n0000 000000000100") << state.substr(at, 40);
  EXPECT_NE(out.find("完成 3，失败 0"), std::string::npos) << out;
}

}  // namespace
