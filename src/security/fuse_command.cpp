#include "security/fuse_command.h"

#include "security/password_frame.h"

namespace security {

void blowPersonalisationFuse(CommandContext& ctx) {
  // Only the status lines are blanked: the edit mode and the view stay.
  blankStatus(ctx, kEraseBlanking);
  pelox::IC_Fuse_102_fn fuse = nullptr;
  switch (ctx.session.cardType) {
    case CardType::At88sc102:
      fuse = ctx.drv.IC_Fuse_102;
      break;
    case CardType::At88sc1604:
      fuse = ctx.drv.IC_Fuse_1604;
      break;
    case CardType::At88sc1604b:
      fuse = ctx.drv.IC_Fuse_1604B;
      break;
    default: return;
  }
  if (ctx.shell.messageBox("此导致此卡个人化？", "个人化确认", port::mb::kOkCancel) != port::mb::kIdOk) return;
  reportStatus(ctx, fuse(ctx.session.readerHandle) == 0 ? text::kSuccess : text::kFailure);
}

}  // namespace security
