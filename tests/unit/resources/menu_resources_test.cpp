// The seven menu bars of demo.rc against the menu tables of the card type
// selection: captions, ids, order, separators and greyed items.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "support/rc_file.h"

namespace {

struct Want {
  std::string caption;  // "" with id 0: separator
  int id = 0;
  std::vector<Want> children = {};
  bool popup = false;
};

Want sep() { return {"", 0}; }
Want popup(std::string caption, std::vector<Want> children) {
  return {std::move(caption), 0, std::move(children), true};
}

// The ids of the items of "手工选择" that no command handles.
const std::set<int> kCommandless = {32775, 32789, 32813, 32846, 32830, 32850, 32812, 32843, 32794, 32777};

Want cardTypePopup(int id45d041) {
  return popup("卡型选择(&T)",
               {popup("手工选择", {{"102", 32775},    {"1604", 32789},  {"1604B", 32813},
                                   {"153", 32846},    {"1608", 32830},  {"24C01A", 32771},
                                   {"24C02", 32772},  {"24C04", 32773}, {"24C08", 32805},
                                   {"24C16", 32774},  {"24C64", 32806}, {"4442", 32791},
                                   {"4428", 32796},   {"45D041", id45d041},
                                   {"SSF1101", 32843}, sep(),           {"CPU卡", 32828},
                                   sep(),             {"SLE4404", 32794}, {"SLE4406", 32777}}),
                {"自动测卡型", 32790},
                sep(),
                {"卡下电", 32807},
                {"设备操作", 32841},
                sep(),
                {"退出系统", 57665}});
}

Want portPopup() {
  return popup("选通讯口(&M)", {{"串行口一", 32784},
                                {"串行口二", 32785},
                                {"串行口三", 32786},
                                {"串行口四", 32787},
                                sep(),
                                {"USB通讯口", 32831}});
}

Want helpPopup() {
  return popup("帮 助(&H)", {{"版本号", 32848}, {"帮助主题", 32847}, {"关于...", 57664}});
}

std::vector<Want> bar(int id, std::vector<Want> middle) {
  std::vector<Want> items = {cardTypePopup(id == 2 ? 32850 : 32812), portPopup()};
  items.insert(items.end(), middle.begin(), middle.end());
  items.push_back(helpPopup());
  return items;
}

std::vector<Want> readWrite(std::vector<Want> more) {
  std::vector<Want> items = {{"读卡操作(&R)", 32778}, {"写卡操作(&W)", 32779}, {"批量写卡(&B)", 32852}};
  items.insert(items.end(), more.begin(), more.end());
  return items;
}

struct MenuCase {
  int id;
  std::vector<Want> items;
};

std::vector<MenuCase> menuTable() {
  return {
      {2, bar(2, {})},
      {135, bar(135, {{"CP&U卡操作", 32815}, {"APDU工作台(&A)", 32851}})},
      {137, bar(137, readWrite({}))},
      {138, bar(138, readWrite({popup("核对密码(&V)", {{"核对用户密码", 32800}}),
                                popup("修改密码(&C)", {{"修改用户密码", 32797}})}))},
      {139, bar(139, readWrite({popup("核对密码(&V)", {{"核对用户密码", 32800},
                                                      sep(),
                                                      {"核对一区擦除密码", 32781},
                                                      {"核对二区擦除密码", 32788}}),
                                popup("修改密码(&C)", {{"修改用户密码", 32797},
                                                      sep(),
                                                      {"修改一区擦除密码", 32824},
                                                      {"修改二区擦除密码", 32825}}),
                                {"熔断操作(&F)", 32783}}))},
      {141, bar(141, readWrite({popup("核对密码(&V)", {{"核对用户密码", 32800},
                                                      sep(),
                                                      {"核对一区密码", 32801},
                                                      {"核对二区密码", 32802},
                                                      {"核对三区密码", 32803},
                                                      {"核对四区密码", 32804},
                                                      sep(),
                                                      {"核对一区擦除密码", 32781},
                                                      {"核对二区擦除密码", 32788},
                                                      {"核对三区擦除密码", 32798},
                                                      {"核对四区擦除密码 ", 32799}}),
                                popup("修改密码(&C)", {{"修改用户密码", 32797},
                                                      sep(),
                                                      {"修改一区密码", 32820},
                                                      {"修改二区密码", 32821},
                                                      {"修改三区密码", 32822},
                                                      {"修改四区密码", 32823},
                                                      sep(),
                                                      {"修改一区擦除密码", 32824},
                                                      {"修改二区擦除密码", 32825},
                                                      {"修改三区擦除密码", 32826},
                                                      {"修改四区擦除密码 ", 32827}}),
                                {"熔断操作(&F)", 32783}}))},
      {143, bar(143, readWrite({popup("熔丝操作(&F)", {{"熔丝情况", 32832}, {"卡片熔丝", 32833}}),
                                popup("核对密码(&V)", {{"核对读密码", 32834},
                                                      {"核对写密码", 32835},
                                                      sep(),
                                                      {"核对安全代码", 32836}}),
                                popup("修改密码(&C)", {{"修改读密码", 32837},
                                                      {"修改写密码", 32838},
                                                      sep(),
                                                      {"修改安全代码", 32839}}),
                                {"认证(&A)", 32840}}))},
  };
}

void expectItems(const std::vector<rc::MenuItem>& got, const std::vector<Want>& want,
                 const std::string& where) {
  ASSERT_EQ(got.size(), want.size()) << where << ": item count";
  for (size_t i = 0; i < want.size(); ++i) {
    const rc::MenuItem& g = got[i];
    const Want& w = want[i];
    std::string at = where + " / #" + std::to_string(i) + " \"" + w.caption + "\"";
    if (w.caption.empty() && !w.popup) {
      EXPECT_TRUE(g.separator) << at << ": separator expected, got \"" << g.caption << "\"";
      continue;
    }
    EXPECT_FALSE(g.separator) << at;
    EXPECT_EQ(g.caption, w.caption) << at;
    EXPECT_EQ(g.popup, w.popup) << at;
    EXPECT_EQ(g.id, w.id) << at;
    EXPECT_EQ(g.grayed, kCommandless.count(w.id) == 1) << at << ": greyed flag";
    if (w.popup) expectItems(g.children, w.children, at);
  }
}

TEST(MenuResources, EveryBarMatchesItsTable) {
  const rc::File& rc = rc::File::program();
  for (const MenuCase& c : menuTable()) {
    SCOPED_TRACE("menu " + std::to_string(c.id));
    const rc::Menu* m = rc.menu(c.id);
    ASSERT_NE(m, nullptr);
    expectItems(m->items, c.items, "menu " + std::to_string(c.id));
  }
}

TEST(MenuResources, OnlyTheSevenBarsExist) {
  std::set<int> ids;
  for (const rc::Menu& m : rc::File::program().menus) EXPECT_TRUE(ids.insert(m.id).second) << "menu " << m.id << " twice";
  EXPECT_EQ(ids, (std::set<int>{2, 135, 137, 138, 139, 141, 143}));
}

// The quick finder of the menu swap compares captions exactly; a lost
// trailing blank would make the erase-password items unreachable by name.
TEST(MenuResources, ZoneFourErasePasswordCaptionsKeepTheirTrailingBlank) {
  const rc::Menu* m = rc::File::program().menu(141);
  ASSERT_NE(m, nullptr);
  const auto& verify = m->items[5].children;
  const auto& change = m->items[6].children;
  EXPECT_EQ(verify.back().caption, "核对四区擦除密码 ");
  EXPECT_EQ(change.back().caption, "修改四区擦除密码 ");
}

}  // namespace
