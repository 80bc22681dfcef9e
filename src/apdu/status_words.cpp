#include "apdu/status_words.h"

namespace apdu {
namespace {

struct Entry {
  std::uint16_t sw;
  const char* meaning;
};

// Status words with a fixed meaning.
constexpr Entry kExact[] = {
    {0x9000, "命令执行成功"},
    {0x6200, "无信息（非易失存储器未改变）"},
    {0x6281, "返回的部分数据可能已损坏"},
    {0x6282, "读到Ne字节之前已到文件或记录末尾"},
    {0x6283, "所选文件已停用"},
    {0x6284, "文件控制信息格式不符"},
    {0x6285, "所选文件处于终止状态"},
    {0x6286, "传感器无可用的输入数据"},
    {0x6300, "无信息（非易失存储器已改变）"},
    {0x6381, "文件已被最后一次写入填满"},
    {0x6400, "无信息（非易失存储器未改变）"},
    {0x6401, "卡片要求立即响应"},
    {0x6500, "无信息（非易失存储器已改变）"},
    {0x6581, "存储器故障"},
    {0x6700, "长度错误（Lc或Le不对）"},
    {0x6800, "无信息（CLA中的功能不支持）"},
    {0x6881, "不支持逻辑通道"},
    {0x6882, "不支持安全报文"},
    {0x6883, "应为命令链的最后一条命令"},
    {0x6884, "不支持命令链"},
    {0x6900, "无信息（命令不允许）"},
    {0x6981, "命令与文件结构不相容"},
    {0x6982, "安全状态不满足"},
    {0x6983, "认证方法已锁定"},
    {0x6984, "引用的数据不可用"},
    {0x6985, "使用条件不满足"},
    {0x6986, "命令不允许（没有当前EF）"},
    {0x6987, "缺少预期的安全报文数据对象"},
    {0x6988, "安全报文数据对象不正确"},
    {0x6A00, "无信息（P1-P2参数错误）"},
    {0x6A80, "数据域参数不正确"},
    {0x6A81, "功能不支持"},
    {0x6A82, "文件或应用未找到"},
    {0x6A83, "记录未找到"},
    {0x6A84, "文件中没有足够的存储空间"},
    {0x6A85, "Nc与TLV结构不一致"},
    {0x6A86, "P1-P2参数不正确"},
    {0x6A87, "Nc与P1-P2不一致"},
    {0x6A88, "引用的数据未找到"},
    {0x6A89, "文件已存在"},
    {0x6A8A, "DF名称已存在"},
    {0x6B00, "P1-P2错误（偏移超出EF范围）"},
    {0x6D00, "指令码不支持或无效"},
    {0x6E00, "类别（CLA）不支持"},
    {0x6F00, "无确切诊断的错误"},
};

// What every status word of one SW1 means when SW2 has no entry of its own.
struct Group {
  std::uint8_t sw1;
  const char* kind;
  const char* meaning;
};

constexpr Group kGroups[] = {
    {0x62, "警告", "非易失存储器未改变"},
    {0x63, "警告", "非易失存储器已改变"},
    {0x64, "执行出错", "非易失存储器未改变"},
    {0x65, "执行出错", "非易失存储器已改变"},
    {0x66, "执行出错", "与安全有关的问题"},
    {0x67, "检查出错", "长度错误"},
    {0x68, "检查出错", "CLA中的功能不支持"},
    {0x69, "检查出错", "命令不允许"},
    {0x6A, "检查出错", "P1-P2参数错误"},
    {0x6B, "检查出错", "P1-P2错误"},
    {0x6C, "检查出错", "Le错误"},
    {0x6D, "检查出错", "指令码不支持或无效"},
    {0x6E, "检查出错", "类别（CLA）不支持"},
    {0x6F, "检查出错", "无确切诊断的错误"},
};

std::string byteHex(std::uint8_t b) { return upperHex(&b, 1); }

const Group* groupOf(std::uint8_t sw1) {
  for (const Group& g : kGroups)
    if (g.sw1 == sw1) return &g;
  return nullptr;
}

}  // namespace

std::string statusWordText(std::uint8_t sw1, std::uint8_t sw2) {
  const auto sw = static_cast<std::uint16_t>(sw1 << 8 | sw2);
  if (sw1 == 0x61) {
    return sw2 == 0 ? "正常：还有256字节或更多的响应数据，可用GET RESPONSE取回"
                    : "正常：还有" + std::to_string(sw2) + "字节响应数据，可用GET RESPONSE取回";
  }
  if (sw1 == 0x6C)
    return "检查出错：Le错误，卡片可返回" + std::to_string(sw2 == 0 ? 256 : sw2) + "字节（SW2给出正确的Le）";
  if (sw1 == 0x63 && (sw2 & 0xF0) == 0xC0)
    return "警告：验证失败，计数器为" + std::to_string(sw2 & 0x0F) + "（还剩" + std::to_string(sw2 & 0x0F) +
           "次尝试机会）";
  const Group* group = groupOf(sw1);
  for (const Entry& e : kExact) {
    if (e.sw != sw) continue;
    const char* kind = sw == 0x9000 ? "正常" : group != nullptr ? group->kind : "";
    return std::string(kind) + "：" + e.meaning;
  }
  if ((sw1 == 0x62 || sw1 == 0x64) && sw2 >= 0x02 && sw2 <= 0x80)
    return std::string(groupOf(sw1)->kind) + "：卡片触发的查询（" + byteHex(sw2) + "）";
  if (group != nullptr)
    return std::string(group->kind) + "：" + group->meaning + "（SW2=" + byteHex(sw2) + "）";
  if ((sw1 & 0xF0) == 0x90) return "专有：应用自定义的状态字";
  return "未定义的状态字";
}

std::string answerStatusText(const Bytes& answer) {
  if (answer.size() < 2) return "应答不足两字节，没有状态字";
  return statusWordText(answer[answer.size() - 2], answer.back());
}

}  // namespace apdu
