// pelox-card through pcscd and the virtual reader: detection, a read, a
// write read back, a wrong code and a script.
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "sim/card.h"
#include "stack_fixture.h"
#include "tool.h"

namespace stacktest {
namespace {

class StackTool : public StackTest {
 protected:
  void SetUp() override {
    StackTest::SetUp();
    env.bindDriver = [](const std::string&, DriverTable& t, std::string&) {
      pcsc::fillDriverTable(t);
      return true;
    };
    env.getenv = [](const char* name) -> const char* { return std::getenv(name); };
    env.setenv = [](const std::string& n, const std::string& v) { ::setenv(n.c_str(), v.c_str(), 1); };
  }
  // One tool run on the virtual reader, chosen by name.
  int tool(std::vector<std::string> args) {
    args.insert(args.begin(), {"--reader", "Virtual PCD 00 00", "--json"});
    std::ostringstream o, e;
    const int status = cli::run(args, env, o, e);
    out = o.str();
    err = e.str();
    return status;
  }
  std::string file(const std::string& name) { return ::testing::TempDir() + "stack-tool-" + name; }
  std::vector<std::uint8_t> memory() {
    return reader_->withCard([](vreader::PseudoCard& c) { return c.card().rawMemory(); });
  }
  cli::Environment env;
  std::string out, err;
};

TEST_F(StackTool, DetectReadAndWriteWithReadBack) {
  struct Case {
    const char* card;
    const char* code;  // "" for none
    std::size_t bytes;
  } cases[] = {{"sle4442", "FFFFFF", 256}, {"24c64", "", 8192}, {"24c02", "", 256}};
  for (const Case& c : cases) {
    start(c.card);
    ASSERT_EQ(tool({"detect"}), cli::kDone) << c.card << err;
    EXPECT_NE(out.find(std::string("\"card\":\"") + c.card + "\""), std::string::npos) << out;
    const std::string image = file("image.bin");
    ASSERT_EQ(tool({"read", "--type", c.card, "-o", image}), cli::kDone) << err;
    std::ifstream in(image, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(bytes.size(), c.bytes);
    for (std::size_t i = 0x60; i < 0x70; ++i) bytes[i] = static_cast<std::uint8_t>(i);
    std::ofstream(image, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
    ::setenv("STACK_TOOL_CODE", c.code, 1);
    std::vector<std::string> args{"write", image, "--type", c.card};
    if (*c.code) args.insert(args.end(), {"--code-env", "STACK_TOOL_CODE"});
    ASSERT_EQ(tool(args), cli::kDone) << c.card << err;
    EXPECT_NE(out.find("\"written\":16"), std::string::npos) << out;
    auto onCard = memory();
    onCard.resize(c.bytes);
    EXPECT_TRUE(std::equal(bytes.begin() + 0x60, bytes.begin() + 0x70, onCard.begin() + 0x60)) << c.card;
    std::remove(image.c_str());
  }
}

TEST_F(StackTool, AWrongCodeCostsOneAttemptAndIsReported) {
  start("sle4442");
  ::setenv("STACK_TOOL_CODE", "123456", 1);
  EXPECT_EQ(tool({"verify-code", "--type", "sle4442", "--code-env", "STACK_TOOL_CODE"}), cli::kFailed);
  EXPECT_NE(out.find("\"attemptsLeft\":2"), std::string::npos) << out << err;
  ::setenv("STACK_TOOL_CODE", "FFFFFF", 1);
  EXPECT_EQ(tool({"verify-code", "--type", "sle4442", "--code-env", "STACK_TOOL_CODE"}), cli::kDone) << err;
  EXPECT_NE(out.find("\"attemptsLeft\":3"), std::string::npos) << out;
}

TEST_F(StackTool, AScriptPassesAndAMismatchExitsThree) {
  start("cpu-t0");
  const std::string script = file("script.txt");
  struct Case {
    const char* text;
    int status;
  } cases[] = {{"RESET\n00A4000002EEEE SW=6A82\n", cli::kDone}, {"00A4000002EEEE SW=9000\n", cli::kRefused}};
  for (const Case& c : cases) {
    std::ofstream(script) << c.text;
    EXPECT_EQ(tool({"script", script}), c.status) << c.text << out << err;
  }
  std::remove(script.c_str());
}

}  // namespace
}  // namespace stacktest
