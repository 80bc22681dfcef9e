// Every dialog text field through the fake dialog host: a view command runs
// on the simulated reader with a card in, and each dialog it opens gets a
// fuzzed series of operator actions (typing any text into any edit,
// clicking any button) on the program's own dialog templates. The fakes'
// test failures (typing into a hidden edit, a closed dialog, ...) abort.
#include <fuzzer/FuzzedDataProvider.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "cards/card_catalogue.h"
#include "fakes/fake_ui.h"
#include "memview/demo_doc.h"
#include "resources/resource.h"
#include "sim/sim_api.h"
#include "support/rc_file.h"
#include "view/app_state.h"
#include "view/demo_view.h"

namespace {

class AbortOnFailure : public ::testing::EmptyTestEventListener {
  void OnTestPartResult(const ::testing::TestPartResult& r) override {
    if (!r.failed()) return;
    std::fprintf(stderr, "%s:%d: %s\n", r.file_name() ? r.file_name() : "?", r.line_number(), r.message());
    std::abort();
  }
};

struct CardCase {
  const char* simName;
  CardType code;
};
constexpr CardCase kCards[] = {
    {"sle4442", CardType::Sle4442},         {"sle4428", CardType::Sle4428},
    {"at88sc102", CardType::At88sc102},     {"at88sc1604", CardType::At88sc1604},
    {"at88sc1604b", CardType::At88sc1604b}, {"at88sc1608", CardType::At88sc1608},
    {"at88sc153", CardType::At88sc153},     {"at45d041", CardType::At45d041},
    {"ssf1101", CardType::Ssf1101},         {"cpu-t0", CardType::Cpu},
    {"24c16", CardType::At24c16},
};

// Commands that open dialogs with text fields: passwords and codes, fuses,
// mutual authentication, the read (zone and page numbers), the consoles
// (the CPU card's APDU text, template IDD_CPU_CARD; the APDU workbench's
// command and script, template IDD_APDU_WORKBENCH; the reader's device data
// and addresses, template IDD_DEVICE).
constexpr int kCommands[] = {
    ID_VERIFY_USER_PASSWORD,        ID_CHANGE_USER_PASSWORD,        ID_VERIFY_ZONE1_PASSWORD,
    ID_VERIFY_ZONE2_PASSWORD,       ID_VERIFY_ZONE3_PASSWORD,       ID_VERIFY_ZONE4_PASSWORD,
    ID_VERIFY_ZONE1_ERASE_PASSWORD, ID_VERIFY_ZONE2_ERASE_PASSWORD, ID_VERIFY_ZONE3_ERASE_PASSWORD,
    ID_VERIFY_ZONE4_ERASE_PASSWORD, ID_CHANGE_ZONE1_PASSWORD,       ID_CHANGE_ZONE2_PASSWORD,
    ID_CHANGE_ZONE3_PASSWORD,       ID_CHANGE_ZONE4_PASSWORD,       ID_CHANGE_ZONE1_ERASE_PASSWORD,
    ID_CHANGE_ZONE2_ERASE_PASSWORD, ID_CHANGE_ZONE3_ERASE_PASSWORD, ID_CHANGE_ZONE4_ERASE_PASSWORD,
    ID_FUSE_PERSONALISATION,        ID_VERIFY_READ_PASSWORD,        ID_VERIFY_WRITE_PASSWORD,
    ID_VERIFY_SECURITY_CODE,        ID_CHANGE_READ_PASSWORD,        ID_CHANGE_WRITE_PASSWORD,
    ID_CHANGE_SECURITY_CODE,        ID_FUSE_STATE,                  ID_FUSE_BLOW,
    ID_MUTUAL_AUTHENTICATION,       ID_CARD_READ,                   ID_CPU_CARD_CONSOLE,
    ID_DEVICE_OPERATIONS,           ID_APDU_WORKBENCH,
};

struct DialogShape {
  std::vector<int> edits;
  std::vector<int> buttons;
};

const DialogShape& shapeOf(int templateId) {
  static std::map<int, DialogShape> shapes;
  auto it = shapes.find(templateId);
  if (it != shapes.end()) return it->second;
  DialogShape s;
  if (const rc::Dialog* d = rc::File::program().dialog(templateId)) {
    for (const rc::Control& c : d->controls) {
      if (c.id < 0) continue;
      // The operator cannot type into a read-only edit.
      if (c.kind == "EDITTEXT" &&
          std::find(c.styles.begin(), c.styles.end(), "ES_READONLY") == c.styles.end())
        s.edits.push_back(c.id);
      if (c.kind == "PUSHBUTTON" || c.kind == "DEFPUSHBUTTON") s.buttons.push_back(c.id);
    }
  }
  return shapes.emplace(templateId, s).first->second;
}

bool usable(const fake::FakeControls& c, int id) {
  auto it = c.controls.find(id);
  return it != c.controls.end() && it->second.visible && it->second.enabled;
}

// Up to eight actions in one dialog; the fuzz data decides each.
void operate(FuzzedDataProvider& in, fake::FakeControls& c, int templateId) {
  const DialogShape& shape = shapeOf(templateId);
  for (int step = 0; step < 8 && !c.ended && in.remaining_bytes() > 0; ++step) {
    const bool typing = in.ConsumeBool();
    const std::vector<int>& ids = typing ? shape.edits : shape.buttons;
    if (ids.empty()) continue;
    const int id = ids[in.ConsumeIntegralInRange<std::size_t>(0, ids.size() - 1)];
    if (!usable(c, id)) continue;
    if (typing)
      c.type(id, in.ConsumeRandomLengthString(80));
    else
      c.click(id);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ::testing::UnitTest::GetInstance()->listeners().Append(new AbortOnFailure);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const CardCase& card = kCards[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kCards) - 1)];
  const int command = kCommands[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kCommands) - 1)];

  sim::TestReader::reset(card.simName);
  DriverTable drv;
  sim::fillDriverTable(drv);
  fake::FakeUi ui;
  AppState st;
  CDemoDoc doc;
  CDemoView view{st, doc, drv, ui.window, ui.shell, ui.menu, ui.dialogs, ui.files};
  if (!view.hasCommand(command)) return 0;
  st.port = ReaderPort::Usb;
  st.readerHandle = drv.IC_InitComm(100);
  st.cardType = card.code;
  st.byteCount = byteCountFor(card.code, 0, 0);
  st.pageCount = pageCountFor(st.byteCount);
  st.viewState = ViewState::NoCardData;
  // Message boxes answered as the data says.
  constexpr int kAnswers[] = {port::mb::kIdOk, port::mb::kIdCancel, port::mb::kIdYes, port::mb::kIdNo};
  for (int i = 0; i < 8; ++i) ui.shell.answers.push_back(in.PickValueInArray(kAnswers));
  for (int i = 0; i < 6; ++i) {
    ui.dialogs.scripts.push_back([&in, &ui](fake::FakeControls& c) {
      operate(in, c, ui.dialogs.opened.empty() ? 0 : ui.dialogs.opened.back());
    });
  }
  view.onCommand(command);
  return 0;
}
