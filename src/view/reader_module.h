// Installs the reader control into the view: opening and closing the
// reader, the port commands, the card type commands, the auto-detection and
// the utility commands.
#pragma once

class CDemoView;

void installReaderModule(CDemoView& view);
