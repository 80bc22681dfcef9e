// The view object behind the view window. Until the memory view is part of
// the program, the window shows the background picture only.
#include "app/demo_app.h"

namespace {

class BackgroundOnlyView : public ViewEvents {
 public:
  void onCreate() override {}
  void onDestroy() override {}
  void onPaint(port::Surface& offscreen) override { offscreen.drawBackground(); }
  void onKeyDown(int) override {}
  void onChar(unsigned) override {}
  void onLButtonDown(port::Point) override {}
  bool hasCommand(int) const override { return false; }
  bool onCommand(int) override { return false; }
};

}  // namespace

std::unique_ptr<ViewEvents> makeDemoView(CDemoApp&, const CDemoApp::Ports&) {
  return std::make_unique<BackgroundOnlyView>();
}
