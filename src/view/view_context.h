// Everything a command handler of the view works with.
#pragma once

#include "platform/dialog.h"
#include "platform/ports.h"
#include "reader/driver.h"

struct AppState;
class CDemoDoc;
class CardCatalogue;
class ViewPainter;

struct ViewContext {
  AppState& st;
  CDemoDoc& doc;
  DriverTable& drv;
  port::ViewWindow& window;
  port::Shell& shell;
  port::MenuBar& menu;
  port::DialogRunner& dialogs;
  port::FileDialogs& files;
  CardCatalogue& catalogue;
  ViewPainter& painter;
};

// The application title (string IDS_APP_TITLE), the caption of plain message boxes.
inline constexpr const char* kAppTitle = "Kv310型读写器演示系统";
