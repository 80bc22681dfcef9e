// Commands ID_FUSE_STATE and ID_FUSE_BLOW for every kind of fuse reading.
#include "security_fixture.h"
#include "resources/resource.h"

namespace sectest {
namespace {

const std::string kTitle = "Kv310型读写器演示系统";
const std::string kOrder = "\n卡片熔丝是按FAB CMA PER 的顺序依次进行，一次熔丝一个\n该次熔丝将熔丝";
const std::string kWarning = "\n\n注意：卡片熔丝不可恢复，你是否要进行卡片熔丝？";

struct Reading {
  int value;
  std::string stateBox;  // ID_FUSE_STATE
  std::string blowBox;   // ID_FUSE_BLOW, first box
  bool asks;             // ID_FUSE_BLOW asks and writes on OK
};

const Reading kReadings[] = {
    {7, "box(熔丝情况|当前熔丝读数  7\nPER 未熔丝  CMA 未熔丝  FAB 未熔丝|0x0)",
     "box(" + kTitle + "|当前熔丝读数  7\nPER 未熔丝  CMA 未熔丝  FAB 未熔丝" + kOrder + "FAB" + kWarning + "|0x31)", true},
    {6, "box(熔丝情况|当前熔丝读数  6\nPER 未熔丝  CMA 未熔丝  FAB 已熔丝|0x0)",
     "box(" + kTitle + "|当前熔丝读数  6\nPER 未熔丝  CMA 未熔丝  FAB 已熔丝" + kOrder + "CMA" + kWarning + "|0x31)", true},
    {4, "box(熔丝情况|当前熔丝读数  4\nPER 未熔丝  CMA 已熔丝  FAB 已熔丝|0x0)",
     "box(" + kTitle + "|当前熔丝读数  4\nPER 未熔丝  CMA 已熔丝  FAB 已熔丝" + kOrder + "PER" + kWarning + "|0x31)", true},
    {0, "box(熔丝情况|当前熔丝读数  0\nPER 已熔丝  CMA 已熔丝  FAB 已熔丝|0x0)",
     "box(卡片熔丝|当前熔丝读数  0\nPER 已熔丝  CMA 已熔丝  FAB 已熔丝\n该卡已全部熔丝,不能再进行熔丝操作|0x0)", false},
    {5, "box(熔丝情况|当前熔丝读数  5熔丝读数显示的熔丝情况非法|0x0)",
     "box(卡片熔丝|当前熔丝读数  5\n熔丝读数显示的熔丝情况非法，不能进行熔丝操作|0x0)", false},
    {12, "box(熔丝情况|当前熔丝读数  12熔丝读数显示的熔丝情况非法|0x0)",
     "box(卡片熔丝|当前熔丝读数  12\n熔丝读数显示的熔丝情况非法，不能进行熔丝操作|0x0)", false},
    {-3, "box(熔丝情况|读熔丝情况出错！|0x10)", "box(卡片熔丝|读熔丝情况出错！|0x10)", false},
};

class FuseReading : public SecurityTest, public ::testing::WithParamInterface<Reading> {};

TEST_P(FuseReading, StateBox) {
  drv.setDefault("IC_ReadFuse", GetParam().value);
  run(CardType::At88sc1608, ID_FUSE_STATE);
  EXPECT_EQ(outcome(ui.log), GetParam().stateBox);
  EXPECT_EQ(calls(), std::vector<std::string>{"IC_ReadFuse(7)"});
}

TEST_P(FuseReading, BlowAsksThenWritesOrRefuses) {
  const Reading& r = GetParam();
  drv.setDefault("IC_ReadFuse", r.value);
  run(CardType::At88sc153, ID_FUSE_BLOW);
  if (!r.asks) {
    EXPECT_EQ(outcome(ui.log), r.blowBox);
    EXPECT_EQ(drv.count("IC_WriteFuse"), 0);
    return;
  }
  EXPECT_EQ(outcome(ui.log), r.blowBox + " box(卡片熔丝|卡片熔丝成功！|0x0)");
  EXPECT_EQ(calls(), (std::vector<std::string>{"IC_ReadFuse(7)", "IC_WriteFuse(7,0)"}));

  ui.shell.answers.push_back(port::mb::kIdCancel);
  run(CardType::At88sc153, ID_FUSE_BLOW);
  EXPECT_EQ(outcome(ui.log), r.blowBox) << "cancel writes nothing";
  EXPECT_EQ(drv.count("IC_WriteFuse"), 0);

  drv.results("IC_WriteFuse", {-1});
  run(CardType::At88sc153, ID_FUSE_BLOW);
  EXPECT_EQ(outcome(ui.log), r.blowBox + " box(卡片熔丝|卡片熔丝出错！|0x10)");
}

INSTANTIATE_TEST_SUITE_P(Table, FuseReading, ::testing::ValuesIn(kReadings),
                         [](const auto& p) {
                           const int v = p.param.value;
                           return v < 0 ? "minus" + std::to_string(-v) : std::to_string(v);
                         });

}  // namespace
}  // namespace sectest
