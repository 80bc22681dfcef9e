// CBatchDlg: the dialog "批量写卡" (template IDD_BATCH_WRITE). The options
// of a run for the current memory card type, a progress list with each
// card's outcome, the counters and Start and Stop. The run is stepped on
// the dialog's timer, one step a tick, so the window never blocks; Stop
// and closing the dialog let a card being written finish first.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "batch/batch_engine.h"
#include "batch/batch_options.h"
#include "platform/dialog.h"
#include "resources/resource.h"

class CBatchDlg : public port::Dialog {
 public:
  // What the dialog works with: the reader as the window has it open.
  struct Reader {
    DriverTable& drv;
    port::Shell& shell;
    port::FileDialogs& files;
    CardCatalogue& catalogue;
    int handle = 0;
    ReaderPort port = ReaderPort::None;
    std::string name;  // how the log names the reader
  };

  CBatchDlg(Reader reader, CardType type, int zoneIndex, std::function<double()> clock);
  ~CBatchDlg() override;

  int templateId() const override { return IDD_BATCH_WRITE; }
  bool onInit(port::DialogControls& c) override;
  void onCommand(port::DialogControls& c, int id, int code) override;
  void onCancel(port::DialogControls& c) override;
  void onTimer(port::DialogControls& c) override;

  // A run is going on (cards may be written until it ends).
  bool running() const { return engine_ && !engine_->finished(); }
  // A run was started: the card in the reader may not be the one read before.
  bool started() const { return engine_ != nullptr; }

  batch::BatchOptions m_options;  // as last read from the boxes
  std::string m_logDefault;       // the log file proposed at the start

 private:
  void exchange(port::DialogControls& c);
  void onBrowse(port::DialogControls& c);
  void onStart(port::DialogControls& c);
  void onStop(port::DialogControls& c);
  // Shows the counters and the current step.
  void showProgress(port::DialogControls& c);
  // The run ended: the summary, and the options back for another run.
  void finishRun(port::DialogControls& c);
  void enableOptions(port::DialogControls& c, bool enabled);
  void refuse(port::DialogControls& c, int control, const std::string& message);

  Reader reader_;
  CardType type_;
  int zoneIndex_;
  std::function<double()> clock_;
  // The run's own session and image: the window's card image stays as it is.
  CardSession st_;
  CDemoDoc doc_;
  batch::BatchLog log_;
  std::unique_ptr<port::Shell> runShell_;  // the window's shell, boxes into the progress list
  std::unique_ptr<batch::BatchEngine> engine_;
};
