// The "自动测卡型" command (ID_CARDTYPE_AUTODETECT): the detection, its
// outcome on screen and the menu bar of the card type found.
#pragma once

#include "view/app_state.h"
#include "view/view_context.h"

class CDemoView;

// Blanks the grid, detects the card (cardType is None when nothing was
// identified) and draws the outcome. Returns detectResult.
DetectResult DetectCardType(ViewContext& ctx);

// The command: ends an edit in progress, detects the card and installs the
// menu bar of the card type found.
void autoDetectCardType(CDemoView& view);
