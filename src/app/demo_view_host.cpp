// The view object behind the view window: CDemoView.
#include "app/demo_app.h"
#include "view/demo_view.h"

namespace {

class DemoViewHost : public ViewEvents {
 public:
  DemoViewHost(CDemoApp& app, const CDemoApp::Ports& p)
      : view_(app.state, app.doc, app.driver, p.window, p.shell, p.menu, p.dialogs, p.files) {}
  void onCreate() override { view_.onCreate(); }
  void onDestroy() override { view_.onDestroy(); }
  void onPaint(port::Surface& offscreen) override { view_.onPaint(offscreen); }
  void onKeyDown(int virtualKey) override { view_.onKeyDown(virtualKey); }
  void onChar(unsigned character) override { view_.onChar(character); }
  void onLButtonDown(port::Point p) override { view_.onLButtonDown(p); }
  void onFocus(bool gained) override { view_.onFocus(gained); }
  bool hasCommand(int id) const override { return view_.hasCommand(id); }
  bool onCommand(int id) override { return view_.onCommand(id); }
  bool confirmClose() override { return view_.confirmClose(); }

 private:
  CDemoView view_;
};

}  // namespace

std::unique_ptr<ViewEvents> makeDemoView(CDemoApp& app, const CDemoApp::Ports& ports) {
  return std::make_unique<DemoViewHost>(app, ports);
}
