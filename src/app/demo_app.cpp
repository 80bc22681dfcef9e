#include "app/demo_app.h"

#include "app/about_dlg.h"
#include "resources/resource.h"

CDemoApp::CDemoApp(port::DialogRunner& dialogs) : dialogs_(dialogs) {
  commands_.add(ID_APP_ABOUT, [this] { onAbout(); });
  // New document: the single document stays, and so does its card image.
  commands_.add(ID_FILE_NEW, [] {});
}

CDemoApp::~CDemoApp() = default;

ViewEvents& CDemoApp::createView(const Ports& ports) {
  view_ = makeDemoView(*this, ports);
  return *view_;
}

bool CDemoApp::routeCommand(CMainFrame& frame, int id) {
  if (view_ && view_->onCommand(id)) return true;
  if (frame.onCommand(id)) return true;
  return onCommand(id);
}

bool CDemoApp::commandEnabled(const CMainFrame& frame, int id) const {
  return (view_ && view_->hasCommand(id)) || frame.hasCommand(id) || hasCommand(id);
}

void CDemoApp::onAbout() {
  CAboutDlg about;
  dialogs_.runModal(about);
}
