// The card image file commands of the view: open (ID_FILE_OPEN, Ctrl+O) and
// save (ID_FILE_SAVE, Ctrl+S).
#pragma once

class CDemoView;

void installCardImageModule(CDemoView& view);
