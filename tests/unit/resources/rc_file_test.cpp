// The resource-script reader itself, on small scripts written for the test.
#include "support/rc_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace {

class RcFileTest : public ::testing::Test {
 protected:
  rc::File parse(const std::string& text, const std::string& header = "") {
    // A folder per test: ctest runs the tests in parallel processes.
    const std::string dir = ::testing::TempDir() + "rc_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::create_directories(dir);
    if (!header.empty()) std::ofstream(dir + "/rc_test_ids.h") << header;
    path_ = dir + "/rc_test.rc";
    std::ofstream(path_) << text;
    return rc::File::load(path_);
  }
  std::string path_;
};

TEST_F(RcFileTest, StringEscapesAndDoubledQuotes) {
  rc::File f = parse(
      "STRINGTABLE\nBEGIN\n"
      "  1 \"a\\tb\\nc\"\n"
      "  2, \"say \"\"hi\"\"\"\n"
      "  3 \"back\\\\slash \\x41\\101\"\n"
      "END\n");
  EXPECT_EQ(f.string(1), "a\tb\nc");
  EXPECT_EQ(f.string(2), "say \"hi\"");
  EXPECT_EQ(f.string(3), "back\\slash AA");
  EXPECT_FALSE(f.string(4).has_value());
}

TEST_F(RcFileTest, DefinesOfAnIncludedHeaderResolveIds) {
  rc::File f = parse(
      "#include <windows.h>\n#include \"rc_test_ids.h\"\n#pragma code_page(65001)\n"
      "IDM_MAIN MENU\nBEGIN\n  POPUP \"&File\"\n  BEGIN\n"
      "    MENUITEM \"Open\\tCtrl+O\", ID_OPEN, GRAYED\n    MENUITEM SEPARATOR\n"
      "    MENUITEM \"Quit\", ID_OPEN + 1\n  END\nEND\n",
      "#pragma once\n#define IDM_MAIN 7\n#define ID_OPEN 0x8001\n");
  const rc::Menu* m = f.menu(7);
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(m->items.size(), 1u);
  const auto& file = m->items[0];
  EXPECT_TRUE(file.popup);
  ASSERT_EQ(file.children.size(), 3u);
  EXPECT_EQ(file.children[0].caption, "Open\tCtrl+O");
  EXPECT_EQ(file.children[0].id, 0x8001);
  EXPECT_TRUE(file.children[0].grayed);
  EXPECT_TRUE(file.children[1].separator);
  EXPECT_EQ(file.children[2].id, 0x8002);
  EXPECT_FALSE(file.children[2].grayed);
}

TEST_F(RcFileTest, DialogControlsOfEveryForm) {
  rc::File f = parse(
      "5 DIALOGEX 10, 20, 200, 100\n"
      "STYLE DS_MODALFRAME | WS_POPUP\nCAPTION \"T\"\nFONT 9, \"Tahoma\", 400, 0, 0x1\n"
      "BEGIN\n"
      "  EDITTEXT 11, 1, 2, 3, 4, ES_UPPERCASE | NOT WS_VISIBLE, WS_EX_CLIENTEDGE\n"
      "  CONTROL \"Go\", 12, \"Button\", BS_PUSHBUTTON | WS_TABSTOP, 5, 6, 7, 8\n"
      "  ICON 2, 13, 9, 10\n"
      "  LTEXT \"x\", IDC_STATIC, 1, 1, 1, 1\n"
      "  DEFPUSHBUTTON \"OK\", IDOK, 1, 2, 3, 4\n"
      "END\n");
  const rc::Dialog* d = f.dialog(5);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->x, 10);
  EXPECT_EQ(d->h, 100);
  EXPECT_EQ(d->fontName, "Tahoma");
  EXPECT_EQ(d->fontSize, 9);
  ASSERT_EQ(d->controls.size(), 5u);
  const rc::Control* edit = d->control(11);
  ASSERT_NE(edit, nullptr);
  EXPECT_TRUE(edit->hasStyle("ES_UPPERCASE"));
  EXPECT_FALSE(edit->visible());
  EXPECT_FALSE(edit->hasStyle("WS_EX_CLIENTEDGE")) << "extended styles are not styles";
  const rc::Control* button = d->control(12);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->className, "Button");
  EXPECT_EQ(button->text, "Go");
  EXPECT_EQ(button->x, 5);
  EXPECT_EQ(button->h, 8);
  EXPECT_TRUE(button->visible());
  EXPECT_EQ(d->control(13)->text, "2");
  EXPECT_EQ(d->controls[3].id, -1);
  EXPECT_EQ(d->control(1)->kind, "DEFPUSHBUTTON");
}

TEST_F(RcFileTest, UnknownSyntaxNamesTheLine) {
  try {
    parse("STRINGTABLE\nBEGIN\n  1 \"a\"\nEND\n\n3 FROBNICATE \"x\"\n");
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(":6:"), std::string::npos) << e.what();
  }
  EXPECT_THROW(parse("1 MENU\nBEGIN\n  MENUITEM \"a\", 1\n"), std::runtime_error) << "missing END";
  EXPECT_THROW(parse("1 MENU\nBEGIN\n  MENUITEM \"a, 1\nEND\n"), std::runtime_error) << "open string";
  EXPECT_THROW(parse("1 MENU\nBEGIN\n  MENUITEM \"a\", UNDEFINED_ID\nEND\n"), std::runtime_error);
}

}  // namespace
