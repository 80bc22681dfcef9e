// Everything a command handler of the view works with.
#pragma once

#include "memview/card_context.h"
#include "platform/app_title.h"
#include "platform/dialog.h"
#include "platform/ports.h"
#include "reader/driver.h"
#include "reader/reader_context.h"
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

  // The parts of it that the reader's and the card data commands work with.
  operator ReaderContext() const { return {st, drv, shell}; }
  operator memview::CardContext() const { return {st, doc, drv, shell, files, catalogue}; }
};
