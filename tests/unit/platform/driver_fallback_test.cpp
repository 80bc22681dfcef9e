#include "reader/driver_fallback.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

short PELOX_API realStatus(int) { return 0; }

TEST(DriverFallback, FillsOnlyTheMissingSlots) {
  DriverTable t;
  t.IC_Status = &realStatus;
  const auto filled = driver_fallback::fillMissing(t);
  EXPECT_EQ(filled.size(), static_cast<std::size_t>(pelox::kFunctionCount - 1));
  EXPECT_EQ(filled.front(), "IC_InitComm");
  EXPECT_TRUE(t.complete());
  EXPECT_EQ(t.IC_Status, &realStatus) << "a present function is kept";
  EXPECT_TRUE(driver_fallback::fillMissing(t).empty()) << "a second fill changes nothing";
}

TEST(DriverFallback, StandInsReportNoReaderAndTouchNoBuffer) {
  DriverTable t;
  driver_fallback::fillMissing(t);
  EXPECT_EQ(t.IC_InitComm(100), -1);
  EXPECT_LT(t.IC_Status(0), 0);
  EXPECT_LT(t.IC_ExitComm(0), 0);

  unsigned char buf[16];
  std::memset(buf, 0x5A, sizeof buf);
  EXPECT_LT(t.IC_Read(1, 0, 16, buf), 0);
  EXPECT_LT(t.IC_ReadVer(1, buf), 0);
  unsigned char len = 0x77;
  EXPECT_LT(t.IC_CpuReset(1, &len, buf), 0);
  EXPECT_LT(t.IC_CpuApdu(1, 4, buf, &len, buf), 0);
  char hex[8] = "abcdefg";
  EXPECT_LT(t.IC_ReadDevice_Hex(1, 0, 4, hex), 0);
  EXPECT_LT(t.Authenticate_Hex(hex, hex), 0);
  EXPECT_LT(t.hex2asc("00", buf, 1), 0);
  for (unsigned char b : buf) ASSERT_EQ(b, 0x5A);
  EXPECT_EQ(len, 0x77);
  EXPECT_STREQ(hex, "abcdefg");
}

TEST(DriverFallback, MessagesNameWhatIsMissing) {
  const auto dll = driver_fallback::missingDllMessage("C:\\Demo\\pelox.dll", "错误 126");
  EXPECT_NE(dll.find("C:\\Demo\\pelox.dll"), std::string::npos) << dll;
  EXPECT_NE(dll.find("错误 126"), std::string::npos) << dll;

  EXPECT_EQ(driver_fallback::missingFunctionsMessage("p.dll", {}), "");
  const auto two = driver_fallback::missingFunctionsMessage("p.dll", {"IC_Beep", "IC_Down"});
  EXPECT_NE(two.find("IC_Beep, IC_Down"), std::string::npos) << two;

  std::vector<std::string> many;
  for (int i = 0; i < 69; ++i) many.push_back("F" + std::to_string(i));
  const auto all = driver_fallback::missingFunctionsMessage("p.dll", many);
  EXPECT_NE(all.find("F7"), std::string::npos);
  EXPECT_EQ(all.find("F8,"), std::string::npos) << "a long list is cut: " << all;
  EXPECT_NE(all.find("69"), std::string::npos) << all;
}

}  // namespace
