// The interface bytes TAi, TBi and TCi: global parameters (group 1 and TA2,
// TB2), the T=0 waiting time (TC2), and the first bytes of T=1 and T=15.
#include <cstdio>

#include "apdu/atr_parts.h"

namespace apdu::atr {
namespace {

// Clock rate conversion integer FI: Fi and the highest clock frequency in
// kHz; 0 for the values ISO/IEC 7816-3 reserves.
struct FiEntry {
  int fi;
  int fmaxKhz;
};
constexpr FiEntry kFi[16] = {{372, 4000},   {372, 5000},   {558, 6000},   {744, 8000},
                             {1116, 12000}, {1488, 16000}, {1860, 20000}, {0, 0},
                             {0, 0},        {512, 5000},   {768, 7500},   {1024, 10000},
                             {1536, 15000}, {2048, 20000}, {0, 0},        {0, 0}};
// Baud rate adjustment integer DI: Di, 0 where reserved.
constexpr int kDi[16] = {0, 1, 2, 4, 8, 16, 32, 64, 12, 20, 0, 0, 0, 0, 0, 0};

// The usual clock of a reader, 3.5712 MHz, gives 9600 bit/s at Fi/Di = 372.
constexpr double kUsualClockHz = 3571200.0;

std::string number(double v) {
  char s[32];
  if (v == static_cast<double>(static_cast<long long>(v)))
    std::snprintf(s, sizeof s, "%lld", static_cast<long long>(v));
  else
    std::snprintf(s, sizeof s, "%.1f", v);
  return s;
}

std::string clockRate(std::uint8_t value, AtrDecoding& d) {
  const int fiCode = value >> 4, diCode = value & 0x0F;
  const FiEntry f = kFi[fiCode];
  const int di = kDi[diCode];
  std::string s = "FI=" + std::to_string(fiCode);
  s += f.fi != 0 ? "（Fi=" + std::to_string(f.fi) + "，fmax=" + number(f.fmaxKhz / 1000.0) + "MHz）"
                 : "（保留值）";
  s += "，DI=" + std::string(1, "0123456789ABCDEF"[diCode]);
  s += di != 0 ? "（Di=" + std::to_string(di) + "）" : "（保留值）";
  if (f.fi == 0 || di == 0) {
    d.errors.push_back("TA1=" + byteHex(value) + "含保留值，时钟转换无法确定");
    return s;
  }
  d.fi = f.fi;
  d.di = di;
  const double cycles = static_cast<double>(f.fi) / di;
  s += "：每ETU为Fi/Di=" + number(cycles) + "个时钟周期，时钟3.5712MHz时约" +
       std::to_string(static_cast<long long>(kUsualClockHz / cycles + 0.5)) + "bit/s";
  return s;
}

std::string specificMode(std::uint8_t value) {
  std::string s = "专用模式，协议T=" + std::to_string(value & 0x0F);
  s += (value & 0x80) != 0 ? "；不能切换到协商模式" : "；可以切换到协商模式";
  s += (value & 0x10) != 0 ? "；参数隐含（不由接口字节定义）" : "；参数由接口字节（Fi、Di）定义";
  if ((value & 0x60) != 0) s += "；b7、b6应为0";
  return s;
}

std::string waitingTime(std::uint8_t value, AtrDecoding& d) {
  if (value == 0) {
    d.errors.push_back("TC2的WI=0是保留值");
    return "T=0工作等待整数WI=0（保留值）";
  }
  return "T=0工作等待整数WI=" + std::to_string(value) +
         "：工作等待时间WT=WI×960×Fi=" + std::to_string(static_cast<long long>(value) * 960 * d.fi) +
         "个时钟周期";
}

std::string t1Parameter(const Position& at, std::uint8_t value, AtrDecoding& d) {
  if (!at.first) return "T=1的其他参数（保留）";
  if (at.kind == 'A') {
    if (value == 0x00 || value == 0xFF) {
      d.errors.push_back("IFSC=" + std::to_string(value) + "是保留值");
      return "T=1信息域大小IFSC=" + std::to_string(value) + "（保留值）";
    }
    return "T=1信息域大小IFSC=" + std::to_string(value) + "字节（卡片能接收的信息域最大长度）";
  }
  if (at.kind == 'B') {
    const int bwi = value >> 4, cwi = value & 0x0F;
    std::string s = "T=1块等待整数BWI=" + std::to_string(bwi) + "，字符等待整数CWI=" + std::to_string(cwi) +
                    "：CWT=11+2^CWI=" + std::to_string(11 + (1 << cwi)) + " ETU";
    if (bwi > 9) {
      d.errors.push_back("BWI=" + std::to_string(bwi) + "大于9，是保留值");
      return s + "；BWI大于9为保留值";
    }
    return s + "，BWT=11 ETU+" + std::to_string((1LL << bwi) * 960LL * 372LL) + "个时钟周期";
  }
  std::string s = (value & 0x01) != 0 ? "T=1差错校验码：CRC（2字节）" : "T=1差错校验码：LRC（1字节）";
  if ((value & 0xFE) != 0) s += "；b8-b2应为0";
  return s;
}

std::string t15Parameter(const Position& at, std::uint8_t value) {
  if (!at.first || at.kind == 'C') return "T=15的其他参数（保留）";
  if (at.kind == 'B')
    return value == 0            ? "SPU：不使用C6触点"
           : (value & 0x80) != 0 ? "SPU：C6触点专有用途"
                                 : "SPU：C6触点标准用途";
  static constexpr const char* kClockStop[] = {"不支持时钟停止", "时钟可停在低电平", "时钟可停在高电平",
                                               "时钟可停在低电平或高电平"};
  std::string classes;
  if ((value & 0x01) != 0) classes += "A（5V）";
  if ((value & 0x02) != 0) classes += "B（3V）";
  if ((value & 0x04) != 0) classes += "C（1.8V）";
  return std::string(kClockStop[value >> 6]) + "；工作电压等级：" + (classes.empty() ? "未指明" : classes);
}

}  // namespace

std::string byteHex(std::uint8_t b) { return upperHex(&b, 1); }

std::string protocolName(int t) {
  switch (t) {
    case 0:
      return "T=0（异步半双工字符传输）";
    case 1:
      return "T=1（异步半双工块传输）";
    case 2:
    case 3:
      return "T=" + std::to_string(t) + "（保留给全双工传输）";
    case 4:
      return "T=4（保留给增强的半双工字符传输）";
    case 14:
      return "T=14（非ISO标准的协议）";
    case 15:
      return "T=15（不是传输协议：其后为全局接口字节）";
    default:
      return "T=" + std::to_string(t) + "（保留）";
  }
}

std::string interfaceMeaning(const Position& at, std::uint8_t value, AtrDecoding& d) {
  if (at.group == 1) {
    if (at.kind == 'A') return clockRate(value, d);
    if (at.kind == 'B')
      return value == 0 ? "已废弃的编程电压参数：00表示卡片不用VPP" : "已废弃的编程电压参数（终端应忽略）";
    if (value == 0xFF) return "额外保护时间N=255：最小字符间隔（T=0为12 ETU，T=1为11 ETU）";
    return "额外保护时间N=" + std::to_string(value) + "：字符间隔为12+" + std::to_string(value) + " ETU";
  }
  if (at.group == 2) {
    if (at.kind == 'A') return specificMode(value);
    if (at.kind == 'B') return "已废弃的编程电压参数PI2（终端应忽略）";
    return waitingTime(value, d);
  }
  if (at.protocol == 1) return t1Parameter(at, value, d);
  if (at.protocol == 15) return t15Parameter(at, value);
  return "协议T=" + std::to_string(at.protocol) + "的参数（不作解析）";
}

}  // namespace apdu::atr
