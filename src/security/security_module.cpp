#include "security/security_module.h"

#include <memory>

#include "resources/resource.h"
#include "security/at88_change_commands.h"
#include "security/at88_verify_commands.h"
#include "security/crypto_fuse_commands.h"
#include "security/crypto_password_commands.h"
#include "security/fuse_command.h"
#include "security/mutual_auth_dlg.h"
#include "security/user_password_commands.h"
#include "view/app_state.h"
#include "view/demo_view.h"

namespace security {

void runMutualAuthentication(ViewContext& ctx) {
  CMutualAuthDlg dlg(ctx.drv);
  dlg.m_reader = ctx.st.readerHandle;
  ctx.dialogs.runModal(dlg);
}

}  // namespace security

void installSecurityModule(CDemoView& view) {
  using namespace security;
  ViewContext& ctx = view.context();
  // The remembered password set lives as long as the view.
  auto remembered = std::make_shared<RememberedSet>();
  // The card read command, made by the program itself: it does not ask
  // before it replaces pending edits, it says that it did.
  const ReadCardCommand readCard = [&view] {
    if (view.rereadCard) view.rereadCard();
  };

  view.addCommand(ID_VERIFY_USER_PASSWORD, [&ctx, readCard](int) { verifyUserPassword(ctx, readCard); });
  view.addCommand(ID_CHANGE_USER_PASSWORD, [&ctx](int) { changeUserPassword(ctx); });
  view.addCommandRange(ID_VERIFY_ZONE1_PASSWORD, ID_VERIFY_ZONE4_PASSWORD,
                       [&ctx](int id) { verifyZoneCode(ctx, id); });
  for (int id : {ID_VERIFY_ZONE1_ERASE_PASSWORD, ID_VERIFY_ZONE2_ERASE_PASSWORD,
                 ID_VERIFY_ZONE3_ERASE_PASSWORD, ID_VERIFY_ZONE4_ERASE_PASSWORD})
    view.addCommand(id, [&ctx, readCard](int cmd) { verifyEraseCode(ctx, readCard, cmd); });
  view.addCommandRange(ID_CHANGE_ZONE1_PASSWORD, ID_CHANGE_ZONE4_ERASE_PASSWORD,
                       [&ctx](int id) { changeZoneOrEraseCode(ctx, id); });
  view.addCommand(ID_FUSE_PERSONALISATION, [&ctx](int) { blowPersonalisationFuse(ctx); });

  view.addCommandRange(ID_VERIFY_READ_PASSWORD, ID_CHANGE_SECURITY_CODE,
                       [&ctx, remembered](int id) { runCryptoPasswordCommand(ctx, *remembered, id); });
  view.addCommand(ID_FUSE_STATE, [&ctx](int) { showFuseState(ctx); });
  view.addCommand(ID_FUSE_BLOW, [&ctx](int) { blowNextFuse(ctx); });
  view.addCommand(ID_MUTUAL_AUTHENTICATION, [&ctx](int) { runMutualAuthentication(ctx); });
}
