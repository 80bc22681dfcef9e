#include "security/security_module.h"

#include <memory>

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

inline constexpr int kMutualAuthentication = 32840;

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

  view.addCommand(kVerifyUserPassword, [&ctx](int) { verifyUserPassword(ctx); });
  view.addCommand(kChangeUserPassword, [&ctx](int) { changeUserPassword(ctx); });
  view.addCommandRange(kVerifyZoneCodeFirst, kVerifyZoneCodeLast, [&ctx](int id) { verifyZoneCode(ctx, id); });
  for (int id : {kVerifyEraseCodeZone1, kVerifyEraseCodeZone2, kVerifyEraseCodeZone3, kVerifyEraseCodeZone4})
    view.addCommand(id, [&ctx](int cmd) { verifyEraseCode(ctx, cmd); });
  view.addCommandRange(kChangeCodeFirst, kChangeCodeLast, [&ctx](int id) { changeZoneOrEraseCode(ctx, id); });
  view.addCommand(kPersonalisationFuse, [&ctx](int) { blowPersonalisationFuse(ctx); });

  view.addCommandRange(kCryptoPasswordFirst, kCryptoPasswordLast,
                       [&ctx, remembered](int id) { runCryptoPasswordCommand(ctx, *remembered, id); });
  view.addCommand(kFuseState, [&ctx](int) { showFuseState(ctx); });
  view.addCommand(kBlowFuse, [&ctx](int) { blowNextFuse(ctx); });
  view.addCommand(kMutualAuthentication, [&ctx](int) { runMutualAuthentication(ctx); });
}
