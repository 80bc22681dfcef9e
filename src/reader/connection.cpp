#include "reader/connection.h"

const char* const kDriverVersionMessage = "!!!驱动程序版本有误，请向 support@pelox.com.cn 寻求技术支持!!!";
const char* const kNoReaderMessage =
    "计算机的串行口可能被其它设备占用或读写器没有连接，因此无法正确检测到读写设备。请重试！";

namespace {

// USB is taken when the reader reports a card ready (0) or no card (1).
bool tryUsb(ReaderContext ctx) {
  ReaderSession& st = ctx.session;
  st.readerHandle = 0;
  st.readerHandle = ctx.drv.IC_InitComm(codeOf(ReaderPort::Usb));
  if (st.readerHandle <= 0) return false;
  const short status = ctx.drv.IC_Status(st.readerHandle);
  if (status == 0 || status == 1) {
    st.port = ReaderPort::Usb;
    return true;
  }
  ctx.drv.IC_ExitComm(st.readerHandle);
  return false;
}

// COM1 to COM4 in order. A driver version fault ends the search at once,
// with no reader.
void searchSerialPorts(ReaderContext ctx) {
  ReaderSession& st = ctx.session;
  st.readerHandle = 0;
  for (ReaderPort p : {ReaderPort::Com1, ReaderPort::Com2, ReaderPort::Com3, ReaderPort::Com4}) {
    ctx.drv.IC_ExitComm(st.readerHandle);
    const int h = ctx.drv.IC_InitComm(codeOf(p));
    if (h <= 0) continue;
    if (ctx.drv.IC_Status(h) < 0) {
      ctx.drv.IC_ExitComm(h);
      continue;
    }
    if (ctx.drv.IC_Status_1(h) != 0) {
      ctx.shell.messageBox(kDriverVersionMessage, "提示信息", port::mb::kOk | port::mb::kIconInformation);
      ctx.drv.IC_ExitComm(h);
      return;
    }
    st.readerHandle = h;
    st.port = p;
    return;
  }
  ctx.shell.messageBox(kNoReaderMessage, "自检出错", port::mb::kOk | port::mb::kIconStop);
}

}  // namespace

void openReaderOnCreate(ReaderContext ctx) {
  if (tryUsb(ctx)) return;
  searchSerialPorts(ctx);
}

PortSwitch switchPort(ReaderContext ctx, ReaderPort newPort) {
  ReaderSession& st = ctx.session;
  const ReaderPort previous = st.port;
  if (ctx.drv.IC_ExitComm(st.readerHandle) < 0) return PortSwitch::Refused;
  st.port = newPort;
  st.readerHandle = 0;
  st.readerHandle = ctx.drv.IC_InitComm(codeOf(newPort));
  // A handle of 0 or below is no reader.
  if (st.readerHandle <= 0) {
    st.port = previous;
    const int h = ctx.drv.IC_InitComm(codeOf(previous));
    st.readerHandle = h > 0 ? h : 0;
    ctx.shell.beep(0);
  }
  return st.port != previous ? PortSwitch::Moved : PortSwitch::Kept;
}

void closeReaderOnDestroy(ReaderContext ctx) { ctx.drv.IC_ExitComm(ctx.session.readerHandle); }
