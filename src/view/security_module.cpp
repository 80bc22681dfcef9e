#include "view/security_module.h"

#include <memory>
#include <string_view>

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
#include "view/view_painter.h"

namespace {

// The view's side of the security commands: their status lines on the
// painter, and the editor they leave.
class ViewStatusDisplay final : public security::StatusDisplay {
 public:
  explicit ViewStatusDisplay(ViewContext& ctx) : ctx_(ctx) {}
  void showStatus(int line, std::string_view text) override { ctx_.painter.showStatus(line, text); }
  void eraseStatus(int line, std::string_view text) override { ctx_.painter.eraseStatus(line, text); }
  void leaveEditing() override {
    ctx_.st.editActive = 0;
    ctx_.st.caretInAscii = 0;
    ctx_.window.hideCaret();
    ctx_.painter.drawCaretInfo();
  }

 private:
  ViewContext& ctx_;
};

// The context of the security commands of one view; it lives as long as
// the view's handlers.
struct SecurityModule {
  explicit SecurityModule(ViewContext& v) : display(v), ctx{v.st, v.drv, v.shell, v.dialogs, display} {}
  ViewStatusDisplay display;
  security::CommandContext ctx;
  // The remembered password set of the crypto-memory commands.
  security::RememberedSet remembered;
};

void runMutualAuthentication(security::CommandContext& ctx) {
  CMutualAuthDlg dlg(ctx.drv);
  dlg.m_reader = ctx.session.readerHandle;
  ctx.dialogs.runModal(dlg);
}

}  // namespace

void installSecurityModule(CDemoView& view) {
  using namespace security;
  auto m = std::make_shared<SecurityModule>(view.context());
  // The card read command, made by the program itself: it does not ask
  // before it replaces pending edits, it says that it did.
  const ReadCardCommand readCard = [&view] {
    if (view.rereadCard) view.rereadCard();
  };

  view.addCommand(ID_VERIFY_USER_PASSWORD, [m, readCard](int) { verifyUserPassword(m->ctx, readCard); });
  view.addCommand(ID_CHANGE_USER_PASSWORD, [m](int) { changeUserPassword(m->ctx); });
  view.addCommandRange(ID_VERIFY_ZONE1_PASSWORD, ID_VERIFY_ZONE4_PASSWORD,
                       [m](int id) { verifyZoneCode(m->ctx, id); });
  for (int id : {ID_VERIFY_ZONE1_ERASE_PASSWORD, ID_VERIFY_ZONE2_ERASE_PASSWORD,
                 ID_VERIFY_ZONE3_ERASE_PASSWORD, ID_VERIFY_ZONE4_ERASE_PASSWORD})
    view.addCommand(id, [m, readCard](int cmd) { verifyEraseCode(m->ctx, readCard, cmd); });
  view.addCommandRange(ID_CHANGE_ZONE1_PASSWORD, ID_CHANGE_ZONE4_ERASE_PASSWORD,
                       [m](int id) { changeZoneOrEraseCode(m->ctx, id); });
  view.addCommand(ID_FUSE_PERSONALISATION, [m](int) { blowPersonalisationFuse(m->ctx); });

  view.addCommandRange(ID_VERIFY_READ_PASSWORD, ID_CHANGE_SECURITY_CODE,
                       [m](int id) { runCryptoPasswordCommand(m->ctx, m->remembered, id); });
  view.addCommand(ID_FUSE_STATE, [m](int) { showFuseState(m->ctx); });
  view.addCommand(ID_FUSE_BLOW, [m](int) { blowNextFuse(m->ctx); });
  view.addCommand(ID_MUTUAL_AUTHENTICATION, [m](int) { runMutualAuthentication(m->ctx); });
}
