// pelox-card's commands in-process against the simulated reader: what each
// command does to the card, and every refusal leaving the card as it was.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "apdu/hex_bytes.h"
#include "sim/sim_api.h"
#include "tool.h"

namespace {

namespace fs = std::filesystem;

struct PeloxCard : ::testing::Test {
  cli::Environment env;
  std::map<std::string, std::string> vars;
  std::deque<std::string> typed;  // answers of the prompt, in order
  int prompts = 0;
  std::vector<cli::ReaderEntry> readers;
  std::string out, err;
  fs::path dir;

  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("pelox-card-test-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    env.bindDriver = [](const std::string& driver, DriverTable& t, std::string& why) {
      if (driver != "sim") {
        why = "no driver " + driver;
        return false;
      }
      sim::fillDriverTable(t);
      return true;
    };
    env.defaultDriver = "sim";
    env.getenv = [this](const char* name) -> const char* {
      auto it = vars.find(name);
      return it == vars.end() ? nullptr : it->second.c_str();
    };
    env.setenv = [this](const std::string& n, const std::string& v) { vars[n] = v; };
    env.prompt = [this](const std::string&) -> std::optional<std::string> {
      ++prompts;
      if (typed.empty()) return std::nullopt;
      std::string s = typed.front();
      typed.pop_front();
      return s;
    };
    env.listReaders = [this](std::vector<cli::ReaderEntry>& r, std::string&) {
      r = readers;
      return true;
    };
  }
  void TearDown() override {
    sim::TestReader::reset();
    fs::remove_all(dir);
  }
  int run(std::vector<std::string> args) {
    std::ostringstream o, e;
    const int status = cli::run(args, env, o, e);
    out = o.str();
    err = e.str();
    return status;
  }
  std::string path(const std::string& name) { return (dir / name).string(); }
  void writeFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::ofstream f(dir / name, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  void writeText(const std::string& name, const std::string& text) { std::ofstream(dir / name) << text; }
  std::string trace() { return path("trace.txt"); }
};

TEST_F(PeloxCard, UsageErrorsSendNothingAndExitTwo) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"frobnicate"}, "未知命令"},
      {{"read"}, "--type"},
      {{"read", "--type", "sle9999"}, "未知卡型"},
      {{"read", "--type", "sle4442", "--zone", "2"}, "--zone 只用于"},
      {{"read", "--type", "at88sc1608", "--zone", "9"}, "范围"},
      {{"read", "--type", "sle4442", "--format", "xml"}, "未知格式"},
      {{"read", "--type", "cpu"}, "atr"},
      {{"write", "--type", "sle4442"}, "FILE"},
      {{"detect", "--type", "sle4442"}, "不接受选项"},
      {{"--bogus", "detect"}, "未知选项"},
      {{"--port", "com9", "detect"}, "未知端口"},
      {{"protect", "--type", "sle4442", "30-32", "--yes"}, "超出"},
      {{"protect", "--type", "24c02", "0"}, "只用于"},
      {{"protect", "--type", "sle4442", "x-1"}, "无效"},
      {{"apdu", "00A40"}, "奇数"},
      {{"apdu", "0084000008", std::string(2 * 262, 'A')}, "262"},
      {{"verify-code", "--type", "sle4442", "--set", "1"}, "--set"},
      {{"verify-code", "--type", "24c02"}, "没有本工具能核对的密码"},
      {{"read", "--type", "sle4442", "--zone", "-1"}, "非负整数"},
  };
  for (const Case& c : cases) {
    sim::TestReader::reset("sle4442");
    const std::string before = sim::TestReader::stateText();
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), {"--trace", trace()});
    EXPECT_EQ(run(args), cli::kUsage) << c.args[0] << " " << err;
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_EQ(sim::TestReader::stateText(), before);
    std::ifstream t(trace());
    std::string line;
    std::getline(t, line);
    EXPECT_EQ(line.find("IC_Write"), std::string::npos) << line;
  }
}

TEST_F(PeloxCard, HelpForTheToolAndEveryCommand) {
  EXPECT_EQ(run({"--help"}), cli::kDone);
  const std::string tool = out;
  for (const char* command : {"readers", "detect", "read", "write", "verify-code", "change-code", "protect", "atr",
                              "apdu", "script"}) {
    EXPECT_NE(tool.find(command), std::string::npos) << command;
    EXPECT_EQ(run({command, "--help"}), cli::kDone) << command;
    EXPECT_NE(out.find(std::string("pelox-card ") + command), std::string::npos) << out;
  }
  EXPECT_EQ(run({}), cli::kUsage);
}

TEST_F(PeloxCard, ReadGivesTheCardsMemoryInEveryFormat) {
  struct Case {
    const char* card;
    std::vector<std::string> extra;
    int bytes;
    int compared;  // code and counter bytes at the end read otherwise
  } cases[] = {{"sle4442", {}, 256, 256}, {"sle4428", {}, 1024, 1021}, {"24c02", {}, 256, 256},
               {"24c64", {}, 8192, 8192}, {"at88sc102", {}, 178, 10}, {"sle4404", {}, 52, 52},
               {"at88sc1608", {"--zone", "1"}, 256, 256}};
  for (const Case& c : cases) {
    sim::TestReader::reset(c.card);
    std::vector<std::uint8_t> pattern(static_cast<std::size_t>(c.bytes));
    for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<std::uint8_t>(i * 7 + 3);
    if (std::string(c.card) == "24c02" || std::string(c.card) == "24c64") sim::TestReader::setMemory(0, pattern);
    const auto memory = sim::TestReader::memory();
    std::vector<std::string> args{"--json", "read", "--type", c.card, "-o", path("image.bin")};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    ASSERT_EQ(run(args), cli::kDone) << c.card << err;
    std::ifstream f(path("image.bin"), std::ios::binary);
    std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(f)), {});
    ASSERT_EQ(file.size(), static_cast<std::size_t>(c.bytes)) << c.card;
    const std::size_t offset = std::string(c.card) == "at88sc1608" ? 256 : 0;
    EXPECT_TRUE(std::equal(file.begin(), file.begin() + c.compared, memory.begin() + static_cast<long>(offset)))
        << c.card;
    args = {"--json", "read", "--type", c.card};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    ASSERT_EQ(run(args), cli::kDone) << err;
    EXPECT_NE(out.find("\"bytes\":" + std::to_string(c.bytes)), std::string::npos) << out;
    EXPECT_NE(out.find("\"data\":\"" + upperHex(file.data(), file.size()) + "\""), std::string::npos) << c.card;
    args = {"read", "--type", c.card};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    ASSERT_EQ(run(args), cli::kDone);
    EXPECT_EQ(out.rfind("-- ", 0), 0u) << "a zone's name heads the dump: " << out.substr(0, 80);
  }
}

TEST_F(PeloxCard, DetectFindsTheCardAndTheReadOnlyFormWritesNothing) {
  struct Case {
    const char* card;
    const char* found;
    bool readOnlyDecides;
  } cases[] = {{"sle4442", "sle4442", true}, {"sle4428", "sle4428", true}, {"sle4404", "sle4404", true},
               {"cpu-t0", "cpu", true},     {"24c16", "24c16", false},    {"24c64", "24c64", false},
               {"at88sc1608", "at88sc1608", false}, {"at88sc102", "at88sc102", false}};
  for (const Case& c : cases) {
    sim::TestReader::reset(c.card);
    ASSERT_EQ(run({"--json", "detect"}), cli::kDone) << c.card << err;
    EXPECT_NE(out.find(std::string("\"card\":\"") + c.found + "\""), std::string::npos) << out;
    const std::string before = sim::TestReader::stateText();
    EXPECT_EQ(run({"--json", "detect", "--read-only"}), c.readOnlyDecides ? cli::kDone : cli::kFailed) << c.card;
    EXPECT_NE(out.find(std::string("\"decided\":") + (c.readOnlyDecides ? "true" : "false")), std::string::npos);
    EXPECT_EQ(sim::TestReader::stateText(), before) << c.card;
  }
  sim::TestReader::reset("none");
  EXPECT_EQ(run({"detect"}), cli::kFailed);
  EXPECT_NE(err.find("未插入卡"), std::string::npos);
}

// A file with some data bytes changed, for the card in the reader.
std::vector<std::uint8_t> changedImage(std::vector<std::uint8_t> image, std::size_t at) {
  for (std::size_t i = at; i < at + 20; ++i) image[i] = static_cast<std::uint8_t>(0x40 + i % 26);
  return image;
}

TEST_F(PeloxCard, WriteChangesOnlyTheDifferingBytesAfterADryRun) {
  struct Case {
    const char* card;
    std::size_t bytes;
    const char* code;  // "" for none
  } cases[] = {{"sle4442", 256, "FFFFFF"}, {"sle4428", 1024, "FFFF"}, {"24c02", 256, ""}, {"24c64", 8192, ""}};
  for (const Case& c : cases) {
    sim::TestReader::reset(c.card);
    vars["PSC"] = c.code;
    auto memory = sim::TestReader::memory();
    memory.resize(c.bytes);
    const auto image = changedImage(memory, 0x50);
    writeFile("new.bin", image);
    const std::string before = sim::TestReader::stateText();
    ASSERT_EQ(run({"--json", "write", path("new.bin"), "--type", c.card, "--dry-run"}), cli::kDone) << err;
    EXPECT_NE(out.find("\"toWrite\":20"), std::string::npos) << out;
    EXPECT_EQ(sim::TestReader::stateText(), before) << c.card;
    fs::remove(trace());
    std::vector<std::string> args{"--json", "--trace", trace(), "write", path("new.bin"), "--type", c.card};
    if (*c.code) args.insert(args.end(), {"--code-env", "PSC"});
    ASSERT_EQ(run(args), cli::kDone) << c.card << err;
    std::ifstream t(trace());
    const std::string traced((std::istreambuf_iterator<char>(t)), {});
    // An SLE card is told by reading: no other protocol's probe writes.
    if (std::string(c.card).rfind("sle", 0) == 0) {
      EXPECT_EQ(traced.find("IC_Read_1101"), std::string::npos) << c.card;
      EXPECT_NE(traced.find("IC_Write("), std::string::npos) << c.card;
    }
    EXPECT_NE(out.find("\"written\":20"), std::string::npos) << out;
    auto after = sim::TestReader::memory();
    after.resize(c.bytes);
    EXPECT_EQ(after, image) << c.card;
    ASSERT_EQ(run({"--json", "write", path("new.bin"), "--type", c.card}), cli::kDone);
    EXPECT_NE(out.find("\"toWrite\":0"), std::string::npos) << "nothing left to write";
  }
}

TEST_F(PeloxCard, WriteRefusalsLeaveTheCardAsItWas) {
  struct Case {
    const char* card;
    std::vector<std::string> args;
    std::size_t fileSize;
    std::vector<std::string> typedCodes;
    int status;
    const char* message;
  } cases[] = {
      {"sle4442", {"--type", "sle4442"}, 255, {}, cli::kRefused, "不符"},
      {"24c02", {"--type", "24c04"}, 512, {}, cli::kRefused, "检测到的卡是 24c02"},
      {"sle4442", {"--type", "sle4442"}, 256, {"123456"}, cli::kFailed, "密码错误"},
      {"sle4442", {"--type", "sle4442"}, 256, {}, cli::kUsage, "没有密码"},
      {"sle4442", {"--type", "sle4442"}, 256, {"FFFFF"}, cli::kUsage, "必须为6个"},
      {"sle4442", {"--type", "sle4442"}, 256, {"FFFFFG"}, cli::kUsage, "十六进制"},
  };
  for (const Case& c : cases) {
    sim::TestReader::reset(c.card);
    auto memory = sim::TestReader::memory();
    memory.resize(c.fileSize, 0xFF);
    writeFile("new.bin", changedImage(memory, 0x40));
    typed.assign(c.typedCodes.begin(), c.typedCodes.end());
    const auto before = sim::TestReader::memory();
    std::vector<std::string> args{"write", path("new.bin")};
    args.insert(args.end(), c.args.begin(), c.args.end());
    EXPECT_EQ(run(args), c.status) << c.message << " " << err;
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_EQ(sim::TestReader::memory(), before) << c.message;
  }
}

TEST_F(PeloxCard, CodesShowAttemptsAndTheLastAttemptNeedsItsFlag) {
  sim::TestReader::reset("sle4442");
  writeText("wrong", "123456\n");
  for (int left : {2, 1}) {
    EXPECT_EQ(run({"--json", "verify-code", "--type", "sle4442", "--code-file", path("wrong")}), cli::kFailed);
    EXPECT_NE(out.find("\"attemptsLeft\":" + std::to_string(left)), std::string::npos) << out;
  }
  typed = {"FFFFFF"};
  EXPECT_EQ(run({"verify-code", "--type", "sle4442"}), cli::kRefused);
  EXPECT_EQ(prompts, 0) << "refused before the code is asked for";
  EXPECT_NE(err.find("--last-attempt"), std::string::npos);
  EXPECT_EQ(run({"--json", "verify-code", "--type", "sle4442", "--last-attempt"}), cli::kDone) << err;
  EXPECT_NE(out.find("\"attemptsLeft\":3"), std::string::npos) << out;
}

TEST_F(PeloxCard, ChangeCodePresentsTheOldOneAndTheNewOneWorks) {
  struct Case {
    const char* card;
    std::vector<std::string> extra;
    const char* oldCode;
    const char* newCode;
  } cases[] = {{"sle4442", {}, "FFFFFF", "123456"},
               {"sle4428", {}, "FFFF", "1234"},
               {"at88sc1608", {"--set", "2"}, "FFFFFF", "ABCDEF"},
               {"at88sc153", {"--set", "1", "--password", "read"}, "FFFFFF", "012345"}};
  for (const Case& c : cases) {
    sim::TestReader::reset(c.card);
    vars["OLD"] = c.oldCode;
    vars["NEW"] = c.newCode;
    std::vector<std::string> args{"change-code", "--type", c.card, "--code-env", "OLD", "--new-code-env", "NEW"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    ASSERT_EQ(run(args), cli::kDone) << c.card << err;
    args = {"verify-code", "--type", c.card, "--code-env", "OLD"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    EXPECT_EQ(run(args), cli::kFailed) << c.card;
    args[4] = "NEW";
    EXPECT_EQ(run(args), cli::kDone) << c.card << err;
  }
  sim::TestReader::reset("sle4442");
  typed = {"FFFFFF", "111111", "222222"};
  EXPECT_EQ(run({"change-code", "--type", "sle4442"}), cli::kUsage) << "the new code typed twice must agree";
}

TEST_F(PeloxCard, ProtectNeedsYesAndProtectsOnlyTheRange) {
  for (const char* card : {"sle4442", "sle4428"}) {
    sim::TestReader::reset(card);
    vars["PSC"] = std::string(card) == "sle4442" ? "FFFFFF" : "FFFF";
    const std::string before = sim::TestReader::stateText();
    EXPECT_EQ(run({"protect", "--type", card, "8-9", "0x0C", "--code-env", "PSC"}), cli::kRefused);
    EXPECT_EQ(sim::TestReader::stateText(), before);
    ASSERT_EQ(run({"--json", "protect", "--type", card, "8-9", "0x0C", "--yes", "--code-env", "PSC"}), cli::kDone)
        << err;
    ASSERT_EQ(run({"--json", "read", "--type", card}), cli::kDone);
    EXPECT_NE(out.find("\"protected\":[8,9,12"), std::string::npos) << out.substr(0, 200);
  }
}

TEST_F(PeloxCard, CpuCardCommandsAndScriptVerdicts) {
  sim::TestReader::reset("cpu-t0");
  ASSERT_EQ(run({"--json", "atr"}), cli::kDone) << err;
  EXPECT_NE(out.find("\"atr\":\"3B"), std::string::npos) << out;
  ASSERT_EQ(run({"apdu", "00A4000002EEEE", "0084000008"}), cli::kDone) << err;
  EXPECT_NE(out.find("< 6A 82"), std::string::npos) << out;
  struct Case {
    const char* script;
    int status;
  } cases[] = {{"RESET\n00A4000002EEEE SW=6A82\n0084000008 = XXXXXXXXXXXXXXXX9000\n", cli::kDone},
               {"00A4000002EEEE SW=9000\n", cli::kRefused},
               {"00A40 SW=9000\n", cli::kUsage}};
  for (const Case& c : cases) {
    writeText("s.txt", c.script);
    EXPECT_EQ(run({"script", path("s.txt"), "--trace", trace()}), c.status) << c.script << err;
  }
  std::ifstream t(trace());
  const std::string traced((std::istreambuf_iterator<char>(t)), {});
  EXPECT_NE(traced.find("IC_CpuApdu"), std::string::npos);
  sim::TestReader::reset("sle4442");
  EXPECT_EQ(run({"atr"}), cli::kFailed);
}

TEST_F(PeloxCard, ReadersAndDriverFailures) {
  readers = {{"Virtual PCD 00 00", true, {0x3B, 0x02, 0x14, 0x50}}, {"Empty 01", false, {}}};
  ASSERT_EQ(run({"--json", "readers"}), cli::kDone);
  EXPECT_NE(out.find("{\"name\":\"Virtual PCD 00 00\",\"card\":true,\"atr\":\"3B021450\"}"), std::string::npos)
      << out;
  EXPECT_EQ(run({"--driver", "nothing", "detect"}), cli::kFailed);
  sim::TestReader::reset("sle4442", 100);
  EXPECT_EQ(run({"--port", "com2", "detect"}), cli::kFailed);
  EXPECT_EQ(run({"--reader", "ACR39", "--json", "detect"}), cli::kDone);
  EXPECT_FALSE(vars["PELOX_PCSC_INI"].empty());
  EXPECT_FALSE(fs::exists(vars["PELOX_PCSC_INI"])) << "the reader's INI of the run is removed after it";
}

}  // namespace

namespace {

TEST_F(PeloxCard, AWriteTheCardDoesNotKeepIsAFailure) {
  struct Case {
    const char* card;
    sim::Faults faults;
    const char* message;
  } cases[] = {{"24c02", {.dropWrites = true}, "写入没有成功"},
               {"sle4442", {.dropWrites = true}, "写入没有成功"},
               {"24c64", {.dropWrites = true}, "写入没有成功"}};
  for (const Case& c : cases) {
    sim::TestReader::reset(c.card);
    vars["PSC"] = "FFFFFF";
    auto memory = sim::TestReader::memory();
    writeFile("new.bin", changedImage(memory, 0x30));
    sim::TestReader::setFaults(c.faults);
    EXPECT_EQ(run({"--json", "write", path("new.bin"), "--type", c.card, "--code-env", "PSC"}), cli::kFailed)
        << c.card << out;
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_NE(out.find("\"ok\":false"), std::string::npos);
    sim::TestReader::setFaults({});
  }
}

TEST_F(PeloxCard, CodeAndProtectedBytesOfAFileAreNeverWritten) {
  sim::TestReader::reset("sle4428");
  vars["PSC"] = "FFFF";
  ASSERT_EQ(run({"protect", "--type", "sle4428", "0x100", "--yes", "--code-env", "PSC"}), cli::kDone) << err;
  auto memory = sim::TestReader::memory();
  memory.resize(1024);
  auto image = memory;
  image[0x100] ^= 0xFF;  // protected on the card
  image[1022] ^= 0x0F;   // the PSC (it reads as 00 until presented, so 1023 differs too)
  image[0x200] ^= 0x01;  // an ordinary byte
  writeFile("new.bin", image);
  ASSERT_EQ(run({"--json", "write", path("new.bin"), "--type", "sle4428", "--code-env", "PSC"}), cli::kDone) << err;
  EXPECT_NE(out.find("\"toWrite\":1,\"skipped\":3"), std::string::npos) << out.substr(0, 400);
  auto after = sim::TestReader::memory();
  EXPECT_EQ(after[0x200], image[0x200]);
  EXPECT_EQ(after[0x100], memory[0x100]);
  ASSERT_EQ(run({"verify-code", "--type", "sle4428", "--code-env", "PSC"}), cli::kDone) << "the PSC is unchanged";
}

TEST_F(PeloxCard, PagesAndBlocksAreWrittenWhole) {
  struct Case {
    const char* card;
    const char* option;
    const char* number;
    std::size_t bytes;
  } cases[] = {{"at45d041", "--page", "3", 264}, {"ssf1101", "--block", "2", 1024}};
  for (const Case& c : cases) {
    sim::TestReader::reset(c.card);
    const std::string file = path("part.bin");
    ASSERT_EQ(run({"read", "--type", c.card, c.option, c.number, "-o", file}), cli::kDone) << c.card << err;
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(bytes.size(), c.bytes);
    writeFile("part.bin", changedImage(bytes, 5));
    ASSERT_EQ(run({"--json", "write", file, "--type", c.card, c.option, c.number}), cli::kDone) << c.card << err;
    ASSERT_EQ(run({"--json", "read", "--type", c.card, c.option, c.number}), cli::kDone);
    const auto expected = changedImage(bytes, 5);
    EXPECT_NE(out.find(upperHex(expected.data(), expected.size())), std::string::npos) << c.card;
    ASSERT_EQ(run({"--json", "read", "--type", c.card, c.option, "0"}), cli::kDone);
    EXPECT_EQ(out.find(upperHex(expected.data(), expected.size())), std::string::npos) << "another part untouched";
  }
}

TEST_F(PeloxCard, OptionFormsAndJsonTexts) {
  sim::TestReader::reset("24c02");
  sim::TestReader::setMemory(0, {'"', '\\', '\n', 0x01});
  EXPECT_EQ(run({"read", "--type=24c02", "--format=json"}), cli::kDone) << err;
  EXPECT_EQ(out.rfind("{\"command\":\"read\",\"ok\":true", 0), 0u) << out.substr(0, 80);
  EXPECT_NE(out.find("\"data\":\"225C0A01"), std::string::npos);
  EXPECT_EQ(run({"--json", "read", "--type", "24c02", "--format"}), cli::kUsage);
  EXPECT_NE(out.find("\"error\":\"选项 --format 缺少值\""), std::string::npos) << out;
  EXPECT_EQ(run({"--json", "--yes", "detect"}), cli::kUsage);
  EXPECT_EQ(run({"--json=1", "detect"}), cli::kUsage);
  writeText("-s.txt", "00A4000002EEEE SW=6A82\n");
  sim::TestReader::reset("cpu-t1");
  EXPECT_EQ(run({"script", "--", path("-s.txt")}), cli::kDone) << err;
  writeText("bad", std::string("00A4\x01", 5));
  EXPECT_EQ(run({"script", path("bad")}), cli::kUsage) << "a control character refuses the script";
}

TEST_F(PeloxCard, NoCardOrAnotherCardFailsTheRead) {
  struct Case {
    const char* card;
    const char* type;
  } cases[] = {{"none", "sle4442"}, {"cpu-t0", "sle4442"}, {"sle4442", "at88sc1608"}};
  for (const Case& c : cases) {
    sim::TestReader::reset(c.card);
    EXPECT_EQ(run({"read", "--type", c.type, "-o", path("x.bin")}), cli::kFailed) << c.card << " " << c.type;
    EXPECT_FALSE(fs::exists(path("x.bin"))) << "no file from a failed read";
    EXPECT_NE(err.find("pelox-card read: "), std::string::npos) << err;
  }
}

}  // namespace
