#include "reader/reader_module.h"

#include "reader/card_type_menu.h"
#include "reader/connection.h"
#include "reader/detection.h"
#include "reader/utility_commands.h"
#include "view/demo_view.h"

void installReaderModule(CDemoView& view) {
  CDemoView* v = &view;
  view.createHooks.push_back([v] { openReaderOnCreate(v->context()); });
  view.destroyHooks.push_back([v] { closeReaderOnDestroy(v->context()); });

  for (const PortCommand& pc : kPortCommands) {
    const ReaderPort port = pc.port;
    view.addCommand(pc.commandId, [v, port](int) { switchPort(v->context(), port); });
  }
  for (const CardTypeCommand& c : kMemoryCardTypeCommands) {
    const CardType type = c.cardType;
    view.addCommand(c.commandId, [v, type](int) { chooseMemoryCardType(v->context(), type); });
  }
  view.addCommand(kCpuCardCommand, [v](int) { chooseCpuCard(v->context()); });
  view.addCommand(kAutoDetectCommand, [v](int) { autoDetectCardType(*v); });

  view.addCommand(kPowerDownCommand, [v](int) { powerDownCard(v->context()); });
  view.addCommand(kVersionCommand, [v](int) { showReaderVersion(v->context()); });
  view.addCommand(kPushOutCommand, [v](int) { pushOutCard(v->context()); });
  view.addCommand(kFirmwareDownloadCommand, [v](int) { startFirmwareDownload(v->context()); });
}
