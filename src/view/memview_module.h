// The memory view's command module: Read (ID_CARD_READ), Write
// (ID_CARD_WRITE) and the view's keys, characters and mouse clicks.
#pragma once

class CDemoView;

void installMemoryViewModule(CDemoView& view);
