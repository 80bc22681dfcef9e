#include "view/reader_module.h"

#include "memview/image_guard.h"
#include "view/pending_edits.h"
#include "reader/connection.h"
#include "reader/utility_commands.h"
#include "resources/resource.h"
#include "view/card_detection.h"
#include "view/card_type_menu.h"
#include "view/demo_view.h"
#include "view/view_painter.h"

void installReaderModule(CDemoView& view) {
  CDemoView* v = &view;
  view.createHooks.push_back([v] { openReaderOnCreate(v->context()); });
  view.destroyHooks.push_back([v] { closeReaderOnDestroy(v->context()); });

  for (const PortCommand& pc : kPortCommands) {
    const ReaderPort port = pc.port;
    view.addCommand(pc.commandId, [v, port](int) {
      ViewContext& ctx = v->context();
      // Another port may reach another reader and card: edits typed for
      // this one go or stay with the operator's word.
      if (!memview::askDiscardEdits(ctx)) return;
      const PortSwitch done = switchPort(ctx, port);
      if (done == PortSwitch::Refused) return;
      // Another reader holds another card: the image is not its read.
      if (done == PortSwitch::Moved) memview::forgetCardImage(ctx.st);
      ctx.painter.drawPortName(ctx.st.port);
    });
  }
  for (const CardTypeCommand& c : kMemoryCardTypeCommands) {
    const CardType type = c.cardType;
    view.addCommand(c.commandId, [v, type](int) {
      if (memview::askDiscardEdits(v->context())) chooseMemoryCardType(v->context(), type);
    });
  }
  view.addCommand(ID_CARDTYPE_CPU, [v](int) {
    if (memview::askDiscardEdits(v->context())) chooseCpuCard(v->context());
  });
  view.addCommand(ID_CARDTYPE_AUTODETECT, [v](int) { autoDetectCardType(*v); });

  view.addCommand(ID_CARD_POWER_DOWN, [v](int) { powerDownCard(v->context()); });
  view.addCommand(ID_READER_VERSION, [v](int) { showReaderVersion(v->context()); });
  view.addCommand(ID_CARD_PUSH_OUT, [v](int) { pushOutCard(v->context()); });
  view.addCommand(ID_READER_FIRMWARE_DOWNLOAD, [v](int) { startFirmwareDownload(v->context()); });
}
