// The answer-to-reset decoder on the answers of our simulated cards and on
// answers built by hand after ISO/IEC 7816-3, each with its derivation:
// complete ones, a wrong or missing check byte, and answers cut short.
#include "apdu/atr_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using apdu::TckStatus;

apdu::Bytes bytes(const std::string& hex) { return apdu::parseHex(hex).bytes; }

struct AtrCase {
  const char* name;
  const char* atr;
  std::vector<int> protocols;  // {} when the decoding stops before they are known
  TckStatus tck;
  // (item name, part of its meaning) in the order of the items checked;
  // "" names an item under the historical bytes.
  std::vector<std::pair<std::string, std::string>> items;
  const char* stop = "";            // part of where the decoding stopped; "" when complete
  std::vector<std::string> errors;  // a part of each error, in order
};

const std::vector<AtrCase>& cases() {
  static const std::vector<AtrCase> k = {
      // Our T=0 card: T0 = 02, no interface bytes, two historical bytes 14 50
      // whose category indicator 14 is proprietary. Only T=0: no TCK.
      {"simulated T=0 card",
       "3B021450",
       {0},
       TckStatus::NotRequired,
       {{"TS", "正向约定"},
        {"T0", "之后没有接口字节；历史字节2个"},
        {"历史字节", "2个"},
        {"", "类别指示14：专有格式"}}},
      // Our T=1 card: T0 = 80 (TD1 follows, no historical bytes); TD1 = 01
      // announces T=1 and nothing more; TCK = 80 ^ 01 = 81.
      {"simulated T=1 card",
       "3B800181",
       {1},
       TckStatus::Ok,
       {{"T0", "后跟TD1；历史字节0个"}, {"TD1", "协议T=1"}, {"TCK", "校验正确"}}},
      // A CryptoMemory card answers 2C AA 55 A0 (a synchronous card): TS is
      // neither 3B nor 3F, so nothing after it is an ISO/IEC 7816-3 answer.
      {"synchronous CryptoMemory answer", "2CAA55A0", {}, TckStatus::NotRequired, {{"TS", "无效"}}, "TS=2C"},
      // T=0 only, by hand: T0 = D3 = TA1 TC1 TD1 present (10 | 40 | 80), K = 3.
      // TA1 = 11: FI 1 (Fi 372, 5 MHz), DI 1 (Di 1): 372 clocks per ETU, 9600
      // bit/s at 3.5712 MHz. TC1 = 00: no extra guard time. TD1 = 40: T=0,
      // TC2 follows. TC2 = 0A: WI 10, WT = 10 x 960 x 372 = 3571200 clocks.
      // Historical 80 31 C0: category 80, then COMPACT-TLV 31 = tag 3 (card
      // service data), length 1, value C0. No TCK with T=0 alone.
      {"T=0 only with TA1, TC1, TC2",
       "3BD31100400A8031C0",
       {0},
       TckStatus::NotRequired,
       {{"TA1", "Fi/Di=372个时钟周期"},
        {"TA1", "约9600bit/s"},
        {"TC1", "额外保护时间N=0"},
        {"TD1", "协议T=0"},
        {"TC2", "WT=WI×960×Fi=3571200个时钟周期"},
        {"", "类别指示80"},
        {"", "标签3 卡片服务数据（1字节）：C0"}}},
      // T=1 with TCK, by hand: T0 = D4 = TA1 TC1 TD1, K = 4. TA1 = 18: Fi 372,
      // Di 12: 31 clocks per ETU, 115200 bit/s at 3.5712 MHz. TC1 = FF: the
      // minimum guard time. TD1 = 81: T=1, TD2 follows. TD2 = 31: T=1, TA3 and
      // TB3 follow; they are T=1's first TA and TB: TA3 = FE is IFSC 254, TB3
      // = 45 is BWI 4 and CWI 5 (CWT = 11 + 2^5 = 43 ETU). Historical 80 12
      // 01 56: category 80, tag 1 (country), length 2, 01 56. TCK = XOR of D4
      // to 56 = FD.
      {"T=1 with TCK",
       "3BD418FF8131FE4580120156FD",
       {1},
       TckStatus::Ok,
       {{"TA1", "Fi/Di=31个时钟周期"},
        {"TA1", "约115200bit/s"},
        {"TC1", "N=255：最小字符间隔"},
        {"TD1", "后跟TD2"},
        {"TD2", "后跟TA3 TB3"},
        {"TA3", "IFSC=254字节"},
        {"TB3", "CWT=11+2^CWI=43 ETU"},
        {"", "标签1 国家代码（2字节）：0156"},
        {"TCK", "校验正确"}}},
      // The same answer with its last bit changed: FC instead of FD.
      {"T=1 with a wrong TCK",
       "3BD418FF8131FE4580120156FC",
       {1},
       TckStatus::Wrong,
       {{"TCK", "校验错误：应为FD"}},
       "",
       {"TCK错误：收到FC，按T0到历史字节的异或应为FD"}},
      // Both protocols: TD1 = 80 (T=0, TD2 follows), TD2 = 01 (T=1). T=1 is
      // offered, so TCK = 80 ^ 80 ^ 01 = 01.
      {"T=0 and T=1 offered", "3B80800101", {0, 1}, TckStatus::Ok, {{"TD1", "协议T=0"}, {"TD2", "协议T=1"}}},
      // T=15: TD1 = 80 (T=0, TD2), TD2 = 1F (T=15, TA3 follows); TA3 = 07:
      // clock stop not supported (b8 b7 = 00), classes A, B and C. T=15 is no
      // protocol but asks for TCK = 80 ^ 80 ^ 1F ^ 07 = 18.
      {"global bytes after T=15",
       "3B80801F0718",
       {0},
       TckStatus::Ok,
       {{"TD2", "T=15"}, {"TA3", "不支持时钟停止；工作电压等级：A（5V）B（3V）C（1.8V）"}}},
      // Category 00: COMPACT-TLV objects, then three bytes of status
      // indicator: 31 C0, then LCS 05 (operational, activated) and 90 00.
      {"category 00 with its status indicator",
       "3B060031C0059000",
       {0},
       TckStatus::NotRequired,
       {{"", "类别指示00"},
        {"", "标签3"},
        {"", "状态指示：生命周期状态LCS=05（使用中，已激活），状态字9000"}}},
      {"inverse convention", "3F00", {0}, TckStatus::NotRequired, {{"TS", "反向约定"}}},
      // Cut short: T0 = D4 announces TA1 TC1 TD1, the answer ends after TC1.
      {"truncated in the interface bytes",
       "3BD418FF",
       {},
       TckStatus::NotRequired,
       {{"TA1", "Fi=372"}, {"TC1", "N=255"}},
       "第5字节处结束，缺少TD1"},
      // T0 = 02 announces two historical bytes, one came.
      {"truncated in the historical bytes",
       "3B0214",
       {0},
       TckStatus::NotRequired,
       {{"历史字节", "只收到1个"}},
       "历史字节应有2个，只有1个"},
      // T=1 announced, the check byte never came.
      {"TCK missing", "3B8001", {1}, TckStatus::Missing, {{"TD1", "T=1"}}, "缺少TCK"},
      {"only TS", "3B", {}, TckStatus::NotRequired, {{"TS", "正向约定"}}, "第2字节处结束，缺少T0"},
      {"empty answer", "", {}, TckStatus::NotRequired, {}, "复位应答为空"},
      // TA1 = 71: FI 7 is reserved, so the clock rate stays unknown.
      {"reserved FI",
       "3B1071",
       {0},
       TckStatus::NotRequired,
       {{"TA1", "FI=7（保留值）"}},
       "",
       {"TA1=71含保留值"}},
      // A byte after the end of a complete T=0 answer.
      {"bytes after the end", "3B021450FF", {0}, TckStatus::NotRequired, {}, "", {"1个多余字节：FF"}},
      // T=1 IFSC 00 and BWI A are reserved: TD1 = 81, TD2 = 31, TA3 = 00,
      // TB3 = A5; TCK = 80 ^ 81 ^ 31 ^ 00 ^ A5 = 95.
      {"reserved T=1 values",
       "3B80813100A595",
       {1},
       TckStatus::Ok,
       {{"TA3", "保留值"}, {"TB3", "BWI大于9"}},
       "",
       {"IFSC=0是保留值", "BWI=10大于9"}},
      // TD1 = 1F announces T=15, which ISO/IEC 7816-3 allows from TD2 on only:
      // T0 = 81 (TD1, one historical byte), TD1 = 1F (TA2 follows), TA2 = 00,
      // historical CC, TCK = 81 ^ 1F ^ 00 ^ CC = 52.
      {"T=15 in TD1", "3B811F00CC52", {0}, TckStatus::Ok, {{"TD1", "T=15"}}, "", {"T=15不能出现在TD1中"}},
      // 36 bytes: every TDi = 80 announces the next, so the decoding stops
      // at the end, and the length is a fault of its own.
      {"over 33 bytes, cut short",
       "3B8080808080808080808080808080808080808080808080808080808080808080808080",
       {0},
       TckStatus::NotRequired,
       {{"TD34", "T=0"}},
       "缺少TD35",
       {"超过33字节"}},
  };
  return k;
}

TEST(AtrDecoder, DecodesEachAnswerAsFarAsItGoes) {
  for (const AtrCase& k : cases()) {
    SCOPED_TRACE(k.name);
    const apdu::AtrDecoding d = apdu::decodeAtr(bytes(k.atr));
    const std::string report = apdu::atrReport(d);
    EXPECT_EQ(d.protocols, k.protocols) << report;
    EXPECT_EQ(d.tck, k.tck) << report;
    if (*k.stop == '\0')
      EXPECT_TRUE(d.complete()) << report;
    else
      EXPECT_NE(d.stop.find(k.stop), std::string::npos) << d.stop;
    std::size_t from = 0;  // two parts of one item's meaning may be checked in a row
    for (const auto& [name, meaning] : k.items) {
      bool found = false;
      for (; from < d.items.size(); ++from) {
        found = d.items[from].name == name && d.items[from].meaning.find(meaning) != std::string::npos;
        if (found) break;
      }
      EXPECT_TRUE(found) << name << " \"" << meaning << "\" not found in order in\n" << report;
      if (!found) break;
    }
    ASSERT_EQ(d.errors.size(), k.errors.size()) << report;
    for (std::size_t i = 0; i < k.errors.size(); ++i)
      EXPECT_NE(d.errors[i].find(k.errors[i]), std::string::npos) << d.errors[i];
  }
}

TEST(AtrDecoder, EveryByteOfACompleteAnswerIsAccountedFor) {
  // The items cover the answer byte by byte (the historical bytes as one
  // item with their parts under it), so no byte goes unexplained.
  for (const AtrCase& k : cases()) {
    const apdu::Bytes atr = bytes(k.atr);
    const apdu::AtrDecoding d = apdu::decodeAtr(atr);
    if (!d.complete() || !d.errors.empty()) continue;
    std::size_t next = 0;
    for (const apdu::AtrItem& it : d.items) {
      if (it.depth != 0) continue;
      EXPECT_EQ(it.offset, next) << k.name << " " << it.name;
      EXPECT_EQ(it.bytes, apdu::Bytes(atr.begin() + static_cast<long>(it.offset),
                                      atr.begin() + static_cast<long>(it.offset + it.bytes.size())))
          << k.name << " " << it.name;
      next = it.offset + it.bytes.size();
    }
    EXPECT_EQ(next, atr.size()) << k.name;
  }
}

TEST(AtrDecoder, ReportShowsTheBytesTheSummaryAndWhereItStopped) {
  const std::string t1 = apdu::atrReport(apdu::decodeAtr(bytes("3BD418FF8131FE4580120156FC")));
  EXPECT_NE(t1.find("TA1 18  FI=1（Fi=372，fmax=5MHz），DI=8（Di=12）"), std::string::npos) << t1;
  EXPECT_NE(t1.find("历史字节 80 12 01 56  4个\r\n"), std::string::npos) << t1;
  EXPECT_NE(t1.find("    12 01 56  标签1"), std::string::npos) << t1;
  EXPECT_NE(t1.find("提供的协议：T=1\r\n"), std::string::npos) << t1;
  EXPECT_NE(t1.find("时钟转换：Fi/Di=372/12\r\n"), std::string::npos) << t1;
  EXPECT_NE(t1.find("TCK：校验错误\r\n错误：TCK错误"), std::string::npos) << t1;

  const std::string both = apdu::atrReport(apdu::decodeAtr(bytes("3B80800101")));
  EXPECT_NE(both.find("提供的协议：T=0、T=1（首选T=0）"), std::string::npos) << both;

  const std::string cut = apdu::atrReport(apdu::decodeAtr(bytes("3BD418FF")));
  EXPECT_EQ(cut.substr(cut.rfind("解码停止")), "解码停止：复位应答在第5字节处结束，缺少TD1\r\n") << cut;
}

}  // namespace
