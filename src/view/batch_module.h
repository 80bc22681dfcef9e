// The batch personalisation command of the view (ID_CARD_BATCH_WRITE): the
// dialog "批量写卡" for the current memory card type.
#pragma once

#include <functional>

class CDemoView;
struct ViewContext;

void installBatchModule(CDemoView& view);

// Opens the dialog for the card type of the view; `clock` in seconds.
void runBatchDialog(ViewContext& ctx, std::function<double()> clock);
