// The memory view's command module: Read (32778), Write (32779) and the
// view's keys, characters and mouse clicks.
#pragma once

class CDemoView;

void installMemoryViewModule(CDemoView& view);
