#include "app/main_frame.h"

#include "platform/utf.h"
#include "resources/resource.h"

CMainFrame::CMainFrame(FrameWindow& window, port::Shell& shell) : window_(window), shell_(shell) {
  commands_.add(ID_APP_EXIT, [this] { onExit(); });
  commands_.add(ID_HELP_TOPICS, [this] { onHelpTopics(); });
  commands_.add(ID_HELP_WINHELP_INDEX, [this] { onHelpIndex(); });
}

unsigned CMainFrame::adjustStyle(unsigned style) { return style & ~(kThickFrame | kMaximizeBox); }

CMainFrame::Placement CMainFrame::placement(port::Point screen) {
  return {(screen.x - 640) / 2, (screen.y - 480) / 2, kWidth, kHeight};
}

std::string CMainFrame::helpTopicsCommandLine(std::string_view programPath) {
  // The path comes from a 260-character buffer: keep at most 260 UTF-16
  // units, cut on a whole character.
  std::u16string path = utf::toUtf16(programPath).text;
  if (path.size() > 260) {
    std::size_t n = 260;
    if (path[n - 1] >= 0xD800 && path[n - 1] <= 0xDBFF) --n;
    path.resize(n);
  }
  std::string line = "hh.exe " + utf::toUtf8(path).text;
  const auto cut = line.rfind('\\');
  // A path without a backslash leaves "hh.exe " itself: the help file is
  // then looked for in the current directory.
  line.resize(cut == std::string::npos ? 7 : cut + 1);
  return line + "KVhelp.chm";
}

void CMainFrame::onExit() {
  if (mayClose && !mayClose()) return;
  window_.destroy();
}

void CMainFrame::onHelpTopics() { shell_.startProcess(helpTopicsCommandLine(shell_.programPath()), kShow); }

void CMainFrame::onHelpIndex() { shell_.helpEngine("DEMO.hlp", kHelpIndexCommand); }
