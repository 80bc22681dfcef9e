#include "reader/driver_trace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A small driver: reads give 0xA0, 0xA1, ...; everything else succeeds.
DriverTable smallDriver() {
  DriverTable t;
  t.IC_Read = [](int, short, short length, unsigned char* out) -> short {
    for (int i = 0; i < length; ++i) out[i] = static_cast<unsigned char>(0xA0 + i);
    return 0;
  };
  t.IC_CheckPass_SLE4442 = [](int, const unsigned char*) -> short { return -3; };
  t.IC_WriteDevice_Hex = [](int, short, short, const char*) -> short { return 0; };
  t.SetInit_Hex = [](const char*, const char*, const char*) -> short { return 0; };
  t.IC_CpuApdu = [](int, short, const unsigned char*, unsigned char* rlen, unsigned char* resp) -> short {
    *rlen = 2;
    resp[0] = 0x90;
    resp[1] = 0x00;
    return 0;
  };
  t.IC_ReadVer = [](int, unsigned char* text) -> short {
    std::memcpy(text, "KV310 V2.0", 10);
    return 0;
  };
  return t;
}

class DriverTraceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // One file per test: ctest runs the tests in parallel processes.
    path_ = ::testing::TempDir() + "demo_trace_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
    std::remove(path_.c_str());
  }
  void TearDown() override { std::remove(path_.c_str()); }
  std::string path_;
};

TEST_F(DriverTraceTest, LinesShowArgumentsBuffersResultsAndMaskSecrets) {
  DriverTable t = smallDriver();
  ASSERT_TRUE(installDriverTrace(t, path_));

  unsigned char buf[4] = {};
  EXPECT_EQ(t.IC_Read(7, 16, 4, buf), 0);
  EXPECT_EQ(buf[3], 0xA3) << "the traced call reaches the driver";
  const unsigned char code[4] = {0x9A, 0xBC, 0xDE, 0};
  EXPECT_EQ(t.IC_CheckPass_SLE4442(7, code), -3) << "results pass through";
  t.IC_WriteDevice_Hex(7, 0, 2, "ABCD");
  t.SetInit_Hex("FFFFFFFFFFFFFFFF", "4F794A463FF81D81", "1234567812345678");
  const unsigned char apdu[5] = {0x00, 0x84, 0x00, 0x00, 0x08};
  unsigned char rlen = 0;
  unsigned char resp[256] = {};
  t.IC_CpuApdu(7, 5, apdu, &rlen, resp);
  unsigned char ver[20] = {};
  t.IC_ReadVer(7, ver);
  removeDriverTrace(t);

  const std::string trace = readFile(path_);
  EXPECT_NE(trace.find("IC_Read(7, 16, 4, out=A0A1A2A3) = 0 ["), std::string::npos) << trace;
  EXPECT_NE(trace.find("IC_CheckPass_SLE4442(7, ****) = -3"), std::string::npos) << trace;
  EXPECT_EQ(trace.find("9ABCDE"), std::string::npos) << "a password leaked into the trace:\n" << trace;
  EXPECT_NE(trace.find("IC_WriteDevice_Hex(7, 0, 2, \"ABCD\") = 0"), std::string::npos) << trace;
  EXPECT_NE(trace.find("SetInit_Hex(\"FFFFFFFFFFFFFFFF\", ****, \"1234567812345678\")"), std::string::npos) << trace;
  EXPECT_EQ(trace.find("4F794A46"), std::string::npos) << "the secret seed leaked:\n" << trace;
  EXPECT_NE(trace.find("IC_CpuApdu(7, 5, 0084000008, out=02, out=9000) = 0"), std::string::npos) << trace;
  EXPECT_NE(trace.find("IC_ReadVer(7, out=\"KV310 V2.0\") = 0"), std::string::npos) << trace;
  EXPECT_EQ(std::count(trace.begin(), trace.end(), '\n'), 6) << trace;
}

TEST_F(DriverTraceTest, MissingFunctionIsTracedAsFailureAndRemovalRestoresTheDriver) {
  DriverTable t = smallDriver();
  const auto read = t.IC_Read;
  ASSERT_TRUE(installDriverTrace(t, path_));
  EXPECT_NE(t.IC_Read, read);
  EXPECT_EQ(t.IC_Status(1), -1) << "a function the driver lacks answers failure, never crashes";
  removeDriverTrace(t);
  EXPECT_EQ(t.IC_Read, read);
  EXPECT_EQ(t.IC_Status, nullptr);
  EXPECT_NE(readFile(path_).find("IC_Status(1) = -1"), std::string::npos);
}

TEST_F(DriverTraceTest, UnwritableFileLeavesTheTableAlone) {
  DriverTable t = smallDriver();
  const auto read = t.IC_Read;
  EXPECT_FALSE(installDriverTrace(t, "/nonexistent-dir/trace.txt"));
  EXPECT_EQ(t.IC_Read, read);
}

}  // namespace
