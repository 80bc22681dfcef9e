// The dialog templates of demo.rc: controls, ids, texts, positions, fonts
// and the styles the dialogs rely on (hidden controls, upper-case edits).
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/rc_file.h"

namespace {

struct WantControl {
  int id;
  std::string kind;
  std::string text;
  int x, y, w, h;
  bool visible = true;
};

struct WantDialog {
  int id;
  std::string caption;
  std::string font;
  int fontSize;
  int w, h;
  std::vector<WantControl> controls;  // in tab order
  int x = -1, y = -1;                 // -1: centred, any position
};

const int S = -1;  // IDC_STATIC

std::vector<WantDialog> dialogTable() {
  return {
      {102, "密码输入", "宋体", 10, 178, 49,
       {{1001, "EDITTEXT", "", 80, 8, 63, 12},
        {S, "LTEXT", "请输入密码：", 12, 8, 52, 13},
        {1, "PUSHBUTTON", "确  认", 28, 28, 46, 14},
        {2, "PUSHBUTTON", "取   消", 104, 28, 46, 14}},
       100, 30},
      {144, "密码操作", "宋体", 10, 183, 98,
       {{1, "DEFPUSHBUTTON", "确认", 32, 72, 50, 14},
        {2, "PUSHBUTTON", "取消", 103, 71, 50, 14},
        {1008, "LTEXT", "密码套(0-7):", 27, 9, 49, 11},
        {1006, "EDITTEXT", "", 87, 5, 37, 15},
        {S, "LTEXT", "输入密码(6位):", 27, 32, 53, 10},
        {1007, "EDITTEXT", "", 86, 27, 76, 16},
        {1010, "LTEXT", "当前密码错误计数器：   ", 27, 52, 111, 13}},
       95, 30},
      {145, "双向认证操作", "宋体", 10, 219, 210,
       {{S, "LTEXT", "<1>初始化认证", 16, 14, 90, 8},
        {S, "LTEXT", "输入随机数(16):", 28, 30, 64, 10},
        {1017, "EDITTEXT", "", 98, 26, 95, 14},
        {S, "LTEXT", "进行初始化认证:", 28, 49, 64, 10},
        {1013, "PUSHBUTTON", "进行认证", 98, 46, 42, 14},
        {S, "LTEXT", "<2>卡认证主机", 17, 67, 90, 8},
        {S, "LTEXT", "输入密码(16):", 29, 85, 64, 10},
        {1004, "EDITTEXT", "", 99, 81, 95, 14},
        {S, "LTEXT", "卡认证主机操作:", 29, 105, 64, 10},
        {1014, "PUSHBUTTON", "进行认证", 99, 102, 42, 14},
        {S, "LTEXT", "<2>主机认证卡", 18, 129, 90, 8},
        {S, "LTEXT", "主机认证卡操作:", 30, 147, 64, 10},
        {1015, "PUSHBUTTON", "进行认证", 99, 144, 42, 14},
        {1016, "LTEXT", "当前认证错误计数器：8", 64, 182, 94, 17},
        {2, "PUSHBUTTON", "退出操作", 163, 187, 50, 14}}},
      {127, "CPU卡操作", "宋体", 10, 328, 146,
       {{S, "GROUPBOX", "", 76, 0, 227, 22},
        {1029, "AUTORADIOBUTTON", "CPU(主卡座)", 82, 8, 58, 10},
        {1030, "AUTORADIOBUTTON", "SAM(附卡座)", 151, 8, 58, 10, false},
        {1031, "AUTORADIOBUTTON", "SAM1", 220, 8, 32, 10, false},
        {1032, "AUTORADIOBUTTON", "SAM2", 263, 8, 32, 10, false},
        {1003, "PUSHBUTTON", "卡片复位(&R)", 10, 27, 50, 14},
        {1033, "PUSHBUTTON", "设置CPU参数", 94, 26, 46, 14, false},
        {S, "LTEXT", "卡协议:", 168, 27, 26, 8, false},
        {1035, "EDITTEXT", "", 203, 26, 23, 12, false},
        {S, "LTEXT", "时间参数:", 237, 27, 35, 8, false},
        {1034, "EDITTEXT", "", 276, 26, 23, 12, false},
        {S, "LTEXT", "复位信息:", 12, 47, 40, 10},
        {1004, "EDITTEXT", "", 62, 46, 250, 13},
        {1005, "PUSHBUTTON", "发送命令(&S)", 10, 62, 50, 14},
        {S, "LTEXT", "发送命令:", 12, 85, 40, 10},
        {1006, "EDITTEXT", "", 62, 81, 251, 13},
        {S, "LTEXT", "返回数据:", 12, 105, 40, 10},
        {1007, "EDITTEXT", "", 62, 101, 251, 13},
        {1008, "PUSHBUTTON", "卡片下电(&D)", 11, 124, 50, 14},
        {2, "PUSHBUTTON", "退出操作(&E)", 263, 123, 50, 14}}},
      {146, "设备操作", "宋体", 10, 233, 122,
       {{S, "LTEXT", "蜂鸣时间(单位 10毫秒)", 14, 5, 96, 14},
        {1021, "EDITTEXT", "", 15, 20, 82, 16},
        {1014, "PUSHBUTTON", "蜂鸣", 117, 19, 40, 17},
        {S, "LTEXT", "写入/读出设备数据", 15, 47, 67, 12},
        {S, "LTEXT", "起始地址", 86, 47, 32, 10},
        {1019, "EDITTEXT", "", 121, 44, 28, 13},
        {S, "LTEXT", "长度", 170, 46, 17, 10},
        {1020, "EDITTEXT", "", 192, 43, 28, 13},
        {1003, "EDITTEXT", "", 14, 70, 205, 16},
        {1015, "PUSHBUTTON", "写入", 14, 98, 40, 17},
        {1016, "PUSHBUTTON", "读出", 66, 98, 40, 17},
        {1, "PUSHBUTTON", "页操作模式", 120, 98, 50, 17, false},
        {2, "DEFPUSHBUTTON", "退出", 177, 97, 43, 18}}},
      {148, "批量写卡", "宋体", 10, 320, 262,
       {{S, "LTEXT", "映像文件:", 8, 9, 44, 8},
        {1060, "EDITTEXT", "", 56, 7, 200, 12},
        {1061, "PUSHBUTTON", "浏览(&O)...", 262, 6, 50, 14},
        {S, "LTEXT", "卡型:", 8, 25, 44, 8},
        {1062, "LTEXT", "", 56, 25, 80, 8},
        {S, "LTEXT", "张数:", 150, 25, 24, 8},
        {1063, "EDITTEXT", "", 176, 23, 40, 12},
        {1064, "AUTOCHECKBOX", "直到停止", 224, 24, 80, 10},
        {S, "LTEXT", "序号:", 8, 41, 44, 8},
        {1065, "EDITTEXT", "", 56, 39, 120, 12},
        {1066, "AUTOCHECKBOX", "十进制BCD", 184, 40, 64, 10},
        {S, "LTEXT", "地址:字节数:起始号", 248, 41, 70, 8},
        {S, "LTEXT", "固定字段:", 8, 57, 44, 8},
        {1067, "EDITTEXT", "", 56, 55, 200, 12},
        {S, "LTEXT", "地址=十六进制", 262, 57, 56, 8},
        {S, "LTEXT", "密码:", 8, 73, 44, 8},
        {1068, "EDITTEXT", "", 56, 71, 60, 12},
        {1069, "AUTOCHECKBOX", "遇到失败即停止", 130, 72, 90, 10},
        {S, "LTEXT", "写保护:", 8, 89, 44, 8},
        {1070, "EDITTEXT", "", 56, 87, 120, 12},
        {S, "LTEXT", "如 0-15,0x20（不可恢复）", 184, 89, 130, 8},
        {S, "LTEXT", "记录文件:", 8, 105, 44, 8},
        {1071, "EDITTEXT", "", 56, 103, 200, 12},
        {1072, "AUTOCHECKBOX", "接着写", 262, 104, 50, 10},
        {1073, "LISTBOX", "", 8, 121, 304, 90},
        {S, "LTEXT", "完成:", 8, 217, 24, 8},
        {1074, "LTEXT", "0", 34, 217, 30, 8},
        {S, "LTEXT", "失败:", 70, 217, 24, 8},
        {1075, "LTEXT", "0", 96, 217, 30, 8},
        {S, "LTEXT", "每分钟:", 132, 217, 30, 8},
        {1076, "LTEXT", "0", 164, 217, 40, 8},
        {S, "LTEXT", "当前:", 210, 217, 24, 8},
        {1077, "LTEXT", "", 236, 217, 76, 8},
        {1078, "DEFPUSHBUTTON", "开始(&S)", 150, 238, 50, 14},
        {1079, "PUSHBUTTON", "停止(&T)", 206, 238, 50, 14},
        {2, "PUSHBUTTON", "关闭(&C)", 262, 238, 50, 14}}},
  };
}

const rc::Dialog& dialog(int id) {
  const rc::Dialog* d = rc::File::program().dialog(id);
  if (!d) throw std::runtime_error("dialog " + std::to_string(id) + " missing");
  return *d;
}

TEST(DialogResources, TemplatesMatchTheirTables) {
  for (const WantDialog& want : dialogTable()) {
    SCOPED_TRACE("dialog " + std::to_string(want.id));
    const rc::Dialog& d = dialog(want.id);
    EXPECT_EQ(d.caption, want.caption);
    EXPECT_EQ(d.fontName, want.font);
    EXPECT_EQ(d.fontSize, want.fontSize);
    EXPECT_EQ(d.w, want.w);
    EXPECT_EQ(d.h, want.h);
    if (want.x >= 0) {
      EXPECT_EQ(d.x, want.x);
      EXPECT_EQ(d.y, want.y);
    }
    ASSERT_EQ(d.controls.size(), want.controls.size());
    for (size_t i = 0; i < want.controls.size(); ++i) {
      const WantControl& w = want.controls[i];
      const rc::Control& c = d.controls[i];
      SCOPED_TRACE("control #" + std::to_string(i) + " id " + std::to_string(w.id) + " \"" + w.text + "\"");
      EXPECT_EQ(c.id, w.id);
      EXPECT_EQ(c.kind, w.kind);
      EXPECT_EQ(c.text, w.text);
      EXPECT_EQ(c.x, w.x);
      EXPECT_EQ(c.y, w.y);
      EXPECT_EQ(c.w, w.w);
      EXPECT_EQ(c.h, w.h);
      EXPECT_EQ(c.visible(), w.visible);
    }
  }
}

TEST(DialogResources, EveryTemplateIsAModalPopupWithCaptionAndSystemMenu) {
  for (int id : {100, 102, 113, 127, 144, 145, 146, 147, 148}) {
    const rc::Dialog& d = dialog(id);
    for (const char* style : {"DS_MODALFRAME", "WS_POPUP", "WS_CAPTION", "WS_SYSMENU"})
      EXPECT_NE(std::find(d.styles.begin(), d.styles.end(), style), d.styles.end())
          << "dialog " << id << " lacks " << style;
  }
}

// Edits whose letters the dialogs expect in capitals: the password and
// hexadecimal fields.
TEST(DialogResources, UpperCaseEditsAreExactlyThePasswordAndApduFields) {
  const std::set<std::pair<int, int>> upper = {{102, 1001}, {144, 1007}, {127, 1004},
                                               {127, 1006}, {127, 1007}, {147, 1043}, {148, 1068}};
  for (const rc::Dialog& d : rc::File::program().dialogs)
    for (const rc::Control& c : d.controls)
      if (c.kind == "EDITTEXT") {
        EXPECT_EQ(c.hasStyle("ES_UPPERCASE"), upper.count({d.id, c.id}) == 1)
            << "dialog " << d.id << " edit " << c.id;
      }
}

// Long texts must scroll in their edits instead of being refused at the
// edit's width.
TEST(DialogResources, EveryEditScrollsHorizontally) {
  for (const rc::Dialog& d : rc::File::program().dialogs)
    for (const rc::Control& c : d.controls)
      if (c.kind == "EDITTEXT") {
        EXPECT_TRUE(c.hasStyle("ES_AUTOHSCROLL")) << "dialog " << d.id << " edit " << c.id;
      }
}

// The APDU workbench is laid out by hand: every control inside the dialog,
// none on top of another.
TEST(DialogResources, WorkbenchControlsFitAndDoNotOverlap) {
  const rc::Dialog& d = dialog(147);
  EXPECT_EQ(d.caption, "APDU工作台");
  for (std::size_t i = 0; i < d.controls.size(); ++i) {
    const rc::Control& a = d.controls[i];
    EXPECT_TRUE(a.x >= 0 && a.y >= 0 && a.x + a.w <= d.w && a.y + a.h <= d.h)
        << "\"" << a.text << "\" " << a.id;
    for (std::size_t j = i + 1; j < d.controls.size(); ++j) {
      const rc::Control& b = d.controls[j];
      const bool apart = a.x + a.w <= b.x || b.x + b.w <= a.x || a.y + a.h <= b.y || b.y + b.h <= a.y;
      EXPECT_TRUE(apart) << a.id << " \"" << a.text << "\" and " << b.id << " \"" << b.text << "\"";
    }
  }
  // Enter in the command field sends it; in the script it makes a new line.
  EXPECT_EQ(d.control(1044)->kind, "DEFPUSHBUTTON");
  EXPECT_TRUE(d.control(1052)->hasStyle("ES_WANTRETURN"));
  for (int id : {1041, 1042, 1045, 1046, 1053, 1056})
    EXPECT_TRUE(d.control(id)->hasStyle("ES_READONLY")) << id;
}

TEST(DialogResources, HiddenSlotsOfTheCpuConsoleAreAlsoDisabled) {
  const rc::Dialog& d = dialog(127);
  for (int id : {1030, 1031, 1032}) {
    const rc::Control* c = d.control(id);
    ASSERT_NE(c, nullptr) << id;
    EXPECT_TRUE(c->hasStyle("WS_DISABLED")) << id;
  }
  EXPECT_TRUE(d.control(1029)->hasStyle("WS_GROUP"));
  EXPECT_TRUE(d.control(1003)->hasStyle("WS_GROUP")) << "the radio group must end before 1003";
}

TEST(DialogResources, AboutBoxHoldsTheIconTheThreeTextsAndItsButton) {
  const rc::Dialog& d = dialog(100);
  EXPECT_EQ(d.caption, "VARNO37系列读写卡器演示系统");
  EXPECT_EQ(d.fontName, "宋体");
  EXPECT_EQ(d.fontSize, 10);
  const rc::Control* icon = d.control(1028);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->kind, "ICON");
  EXPECT_EQ(icon->text, "2");
  for (int id : {1025, 1026, 1027}) {
    const rc::Control* c = d.control(id);
    ASSERT_NE(c, nullptr) << id;
    EXPECT_EQ(c->kind, "LTEXT") << id;
    EXPECT_GE(c->w, 150) << "control " << id << " must hold a one-line notice";
  }
  const rc::Control* ok = d.control(1);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->kind, "DEFPUSHBUTTON");
  EXPECT_EQ(ok->text, "确认");
}

TEST(DialogResources, PageDialogHasItsControlsAndNoCancelButton) {
  const rc::Dialog& d = dialog(113);
  EXPECT_EQ(d.caption, "输入页号");
  EXPECT_EQ(d.fontName, "MS Sans Serif");
  EXPECT_EQ(d.fontSize, 8);
  ASSERT_NE(d.control(1002), nullptr);
  EXPECT_EQ(d.control(1002)->kind, "EDITTEXT");
  ASSERT_NE(d.control(1005), nullptr);
  EXPECT_GE(d.control(1005)->h, 16) << "the AT88SC1608 prompt has two lines";
  ASSERT_NE(d.control(1009), nullptr);
  EXPECT_EQ(d.control(1009)->kind, "AUTOCHECKBOX");
  EXPECT_EQ(d.control(1009)->text, "设置用户区(初次读该区时必须选中)");
  ASSERT_NE(d.control(1), nullptr);
  EXPECT_EQ(d.control(1)->kind, "DEFPUSHBUTTON");
  EXPECT_EQ(d.control(1)->text, "确认");
  EXPECT_EQ(d.control(2), nullptr);
  bool label = false;
  for (const rc::Control& c : d.controls) label = label || c.text == "请输入页号:";
  EXPECT_TRUE(label);
}

// Controls of one template must not overlap, or one hides the other.
TEST(DialogResources, VisibleControlsDoNotOverlap) {
  for (const rc::Dialog& d : rc::File::program().dialogs) {
    for (size_t i = 0; i < d.controls.size(); ++i) {
      const rc::Control& a = d.controls[i];
      EXPECT_LE(a.x + a.w, d.w) << "dialog " << d.id << " control " << a.id << " leaves the dialog";
      EXPECT_LE(a.y + a.h, d.h) << "dialog " << d.id << " control " << a.id << " leaves the dialog";
      if (!a.visible() || a.kind == "GROUPBOX" || a.kind == "ICON") continue;
      for (size_t j = i + 1; j < d.controls.size(); ++j) {
        const rc::Control& b = d.controls[j];
        if (!b.visible() || b.kind == "GROUPBOX" || b.kind == "ICON") continue;
        bool overlap = a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
        EXPECT_FALSE(overlap) << "dialog " << d.id << ": \"" << a.text << "\" (" << a.id << ") and \""
                              << b.text << "\" (" << b.id << ")";
      }
    }
  }
}

}  // namespace
