#include "platform/win32/application.h"

#include "platform/win32/driver_loader.h"
#include "platform/win32/ready_signal.h"
#include "platform/win32/text.h"
#include "reader/detection.h"
#include "reader/driver_fallback.h"
#include "reader/driver_trace.h"
#include "resources/resource.h"

#include <cstdlib>

namespace win32 {

Application::Application(HINSTANCE instance)
    : ctx_{instance},
      main_(ctx_, app_, viewWindow_, CDemoApp::Ports{viewWindow_, shell_, menu_, dialogs_, files_}) {}

Application::~Application() {
  if (ctx_.frame != nullptr) DestroyWindow(ctx_.frame);
  app_.destroyView();
}

bool Application::start(int show, bool loadReaderDriver) {
  if (loadReaderDriver)
    driver_ = loadDriver(app_.driver, nullptr);
  else
    driver_fallback::fillMissing(app_.driver);
  // DEMO_TRACE names a file that receives one line per driver call.
  if (const wchar_t* trace = _wgetenv(L"DEMO_TRACE"); trace != nullptr && *trace != L'\0') {
    if (!installDriverTrace(app_.driver, narrow(trace))) {
      MessageBoxW(nullptr, wide("无法打开驱动调用记录文件：" + narrow(trace)).c_str(), L"DEMO_TRACE",
                  MB_OK | MB_ICONEXCLAMATION);
    }
  }
  if (!MainWindow::registerClass(ctx_.instance) || !ViewWindow::registerClass(ctx_.instance)) return false;
  accelerators_ = LoadAcceleratorsW(ctx_.instance, MAKEINTRESOURCEW(IDR_MAINFRAME));
  if (!main_.create()) return false;
  ShowWindow(ctx_.frame, show);
  UpdateWindow(ctx_.frame);
  return true;
}

int Application::run() {
  // Start-up measurements: ready once the card type detection that follows
  // the first paint has run and everything it changed is painted.
  ReadySignal ready;
  MSG m{};
  for (;;) {
    ready.onIdle();
    if (GetMessageW(&m, nullptr, 0, 0) <= 0) break;
    if (accelerators_ != nullptr && ctx_.frame != nullptr && TranslateAcceleratorW(ctx_.frame, accelerators_, &m))
      continue;
    TranslateMessage(&m);
    DispatchMessageW(&m);
    if (m.message == WM_COMMAND && m.hwnd == ctx_.view && LOWORD(m.wParam) == ID_CARDTYPE_AUTODETECT)
      ready.arm();
  }
  return static_cast<int>(m.wParam);
}

int runApplication(HINSTANCE instance, int show) {
  Application application(instance);
  if (!application.start(show)) return 1;
  return application.run();
}

}  // namespace win32
