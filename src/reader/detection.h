// Card type auto-detection: the probe chain that finds which card is in the
// reader, and the "自动测卡型" command (ID_CARDTYPE_AUTODETECT) around it.
#pragma once

#include "view/app_state.h"
#include "view/view_context.h"

class CDemoView;

// Runs the probes in order, leaving every card's bytes as it found them;
// sets cardType (None when nothing was identified), detectResult and, for CPU
// cards, cpuProtocol; draws the outcome. Returns detectResult.
DetectResult DetectCardType(ViewContext& ctx);

// The command: ends an edit in progress, detects the card and installs the
// menu bar of the card type found.
void autoDetectCardType(CDemoView& view);
