// Strings, accelerators, icon and bitmap of demo.rc.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/rc_file.h"

namespace {

TEST(StringResources, DocumentStringTitleAndDownloadPrompt) {
  const rc::File& rc = rc::File::program();
  EXPECT_EQ(rc.string(2), "Kv310系列型读写器演示系统\nDemo\nDemo Document\n\n\nDemo.Document\nDemo Document");
  EXPECT_EQ(rc.string(57344), "Kv310型读写器演示系统");
  EXPECT_EQ(rc.string(32814), "对有升级功能的读写卡器进行软件升级，当前的读写器版本不支持此功能。");
}

struct WantAccel {
  std::string key;
  int id;
  std::vector<std::string> modifiers;
};

TEST(AcceleratorResources, TableTwoCarriesTheFrameworkCommands) {
  const std::vector<WantAccel> want = {
      {"N", 57600, {"CONTROL"}},     {"O", 57601, {"CONTROL"}},       {"S", 57603, {"CONTROL"}},
      {"Z", 57643, {"CONTROL"}},     {"X", 57635, {"CONTROL"}},       {"C", 57634, {"CONTROL"}},
      {"V", 57637, {"CONTROL"}},     {"VK_BACK", 57643, {"ALT"}},     {"VK_DELETE", 57635, {"SHIFT"}},
      {"VK_INSERT", 57634, {"CONTROL"}}, {"VK_INSERT", 57637, {"SHIFT"}}, {"VK_F6", 57669, {}},
      {"VK_F6", 57670, {"SHIFT"}},
  };
  const auto* table = rc::File::program().accelerators(2);
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    const rc::Accelerator& a = (*table)[i];
    SCOPED_TRACE("accelerator #" + std::to_string(i) + " " + want[i].key);
    EXPECT_EQ(a.key, want[i].key);
    EXPECT_EQ(a.id, want[i].id);
    std::vector<std::string> modifiers;
    bool virtkey = false;
    for (const std::string& f : a.flags) {
      if (f == "VIRTKEY") virtkey = true;
      else if (f == "CONTROL" || f == "SHIFT" || f == "ALT") modifiers.push_back(f);
    }
    // "N" without VIRTKEY would be the character N, not the key with Ctrl.
    EXPECT_TRUE(virtkey);
    EXPECT_EQ(modifiers, want[i].modifiers);
  }
}

TEST(ImageResources, IconTwoIsPresent) {
  EXPECT_TRUE(rc::File::program().hasIcon(2));
  std::ifstream ico(DEMO_SOURCE_DIR "/src/resources/demo.ico", std::ios::binary);
  char header[6] = {};
  ASSERT_TRUE(ico.read(header, 6));
  EXPECT_EQ(header[2], 1) << "an icon file";
  EXPECT_EQ(header[4], 3) << "16, 32 and 48 pixel images";
}

}  // namespace
