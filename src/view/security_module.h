// The card security commands of the view: memory-card passwords, erase
// codes and fuse; crypto-memory passwords, fuses and mutual authentication.
#pragma once

class CDemoView;

void installSecurityModule(CDemoView& view);
