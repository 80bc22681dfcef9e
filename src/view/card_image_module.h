// The card image file commands of the view: open (57601, Ctrl+O) and save
// (57603, Ctrl+S).
#pragma once

class CDemoView;

void installCardImageModule(CDemoView& view);
