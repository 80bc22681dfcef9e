// CApduWorkbenchDlg: the APDU workbench of CPU cards (template
// IDD_APDU_WORKBENCH). Resets the card and decodes its answer to reset,
// sends commands with their status word explained, runs APDU scripts with
// checked answers, and shows, copies and saves the history of every
// exchange of the run. It reads the program's state and changes none of it.
#pragma once

#include "apdu/apdu_history.h"
#include "apdu/cpu_card_link.h"
#include "platform/dialog.h"
#include "platform/ports.h"
#include "cards/card_types.h"
#include "reader/driver.h"
#include "resources/resource.h"

class CApduWorkbenchDlg : public port::Dialog {
 public:
  CApduWorkbenchDlg(DriverTable& drv, port::Shell& shell, port::FileDialogs& files, apdu::History& history)
      : drv_(drv), shell_(shell), files_(files), history_(history) {}

  int templateId() const override { return IDD_APDU_WORKBENCH; }
  bool onInit(port::DialogControls& c) override;
  void onCommand(port::DialogControls& c, int id, int code) override;

  int m_reader = 0;
  CardType m_cardType = CardType::None;  // scripts run only on the CPU card type

  void onReset(port::DialogControls& c);
  void onSend(port::DialogControls& c);
  void onOpenScript(port::DialogControls& c);
  void onRunScript(port::DialogControls& c);
  void onCopyHistory(port::DialogControls& c);
  void onSaveHistory(port::DialogControls& c);

  // The history pane shows this many of the newest records.
  static constexpr std::size_t kShownRecords = 500;

 private:
  apdu::CpuCardLink link(apdu::Origin origin) { return {drv_, m_reader, history_, origin}; }
  void showHistory(port::DialogControls& c);
  // A refused input: the message, then the field focused with its text selected.
  void refuse(port::DialogControls& c, int id, const std::string& message);
  void driverError(port::DialogControls& c, const apdu::CardReply& reply);

  DriverTable& drv_;
  port::Shell& shell_;
  port::FileDialogs& files_;
  apdu::History& history_;
};
