// Everything a command handler of the view works with.
#pragma once

#include "memview/card_context.h"
#include "platform/app_title.h"
#include "platform/dialog.h"
#include "platform/ports.h"
#include "reader/driver.h"
#include "view/app_state.h"

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

  // The part of it that the card data commands work with.
  operator memview::CardContext() const { return {st, doc, drv, shell, files, catalogue}; }
};
