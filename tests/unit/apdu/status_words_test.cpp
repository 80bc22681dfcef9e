// The status word table: fixed entries, the ones whose SW2 is a number
// (61 xx, 6C xx, 63 Cx), the groups' fallbacks and answers too short.
#include "apdu/status_words.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(StatusWords, EachStatusWordHasItsMeaning) {
  struct Case {
    std::uint8_t sw1, sw2;
    const char* text;
  };
  const std::vector<Case> cases = {
      {0x90, 0x00, "正常：命令执行成功"},
      {0x61, 0x10, "正常：还有16字节响应数据，可用GET RESPONSE取回"},
      {0x61, 0x00, "正常：还有256字节或更多的响应数据，可用GET RESPONSE取回"},
      {0x62, 0x02, "警告：卡片触发的查询（02）"},
      {0x62, 0x90, "警告：非易失存储器未改变（SW2=90）"},
      {0x63, 0xC2, "警告：验证失败，计数器为2（还剩2次尝试机会）"},
      {0x63, 0xC0, "警告：验证失败，计数器为0（还剩0次尝试机会）"},
      {0x64, 0x00, "执行出错：无信息（非易失存储器未改变）"},
      {0x64, 0x80, "执行出错：卡片触发的查询（80）"},
      {0x66, 0x00, "执行出错：与安全有关的问题（SW2=00）"},
      {0x67, 0x00, "检查出错：长度错误（Lc或Le不对）"},
      {0x69, 0x82, "检查出错：安全状态不满足"},
      {0x6A, 0x82, "检查出错：文件或应用未找到"},
      {0x6A, 0x99, "检查出错：P1-P2参数错误（SW2=99）"},
      {0x6C, 0x08, "检查出错：Le错误，卡片可返回8字节（SW2给出正确的Le）"},
      {0x6C, 0x00, "检查出错：Le错误，卡片可返回256字节（SW2给出正确的Le）"},
      {0x6F, 0x12, "检查出错：无确切诊断的错误（SW2=12）"},
      {0x91, 0x00, "专有：应用自定义的状态字"},
      {0x90, 0x01, "专有：应用自定义的状态字"},
      {0x12, 0x34, "未定义的状态字"},
  };
  for (const Case& k : cases)
    EXPECT_EQ(apdu::statusWordText(k.sw1, k.sw2), k.text) << std::hex << int(k.sw1) << " " << int(k.sw2);
}

TEST(StatusWords, AnswerTakesItsLastTwoBytes) {
  EXPECT_EQ(apdu::answerStatusText({0x01, 0x02, 0x6A, 0x82}), "检查出错：文件或应用未找到");
  EXPECT_EQ(apdu::answerStatusText({0x90}), "应答不足两字节，没有状态字");
  EXPECT_EQ(apdu::answerStatusText({}), "应答不足两字节，没有状态字");
}

TEST(StatusWords, EveryStatusWordGetsAText) {
  for (int sw1 = 0; sw1 < 256; ++sw1)
    for (int sw2 = 0; sw2 < 256; ++sw2)
      ASSERT_FALSE(
          apdu::statusWordText(static_cast<std::uint8_t>(sw1), static_cast<std::uint8_t>(sw2)).empty())
          << sw1 << " " << sw2;
}

}  // namespace
