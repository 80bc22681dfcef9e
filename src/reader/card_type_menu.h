// Card type selection and the menu bar of each card type.
#pragma once

#include <string_view>

#include "platform/ports.h"
#include "resources/resource.h"
#include "view/view_context.h"

// Menu resource of a card type code (IDR_MAINFRAME for codes without a menu
// of their own).
int menuResourceFor(int cardType);

// Position of the first item whose caption equals `caption` exactly, or -1.
int FindMenuItem(port::MenuBar& bar, port::MenuRef menu, std::string_view caption);

// Installs the menu bar of a card type and resets the editing state.
void SwapMenuForCardType(ViewContext& ctx, int cardType);

// The manual card-type command of a memory card (24C01A ... 4428): sets
// cardType, swaps the menu, draws caption and capacity, sets the reader's
// card type and reports "设卡成功" / "设卡失败".
void chooseMemoryCardType(ViewContext& ctx, int cardType);

// The CPU card command: sets cardType 12 and its menu bar; nothing is sent
// to the reader.
void chooseCpuCard(ViewContext& ctx);

// The manual card-type commands: command id and the card type it selects.
struct CardTypeCommand {
  int commandId;
  int cardType;
};
inline constexpr CardTypeCommand kMemoryCardTypeCommands[] = {
    {ID_CARDTYPE_24C01A, 64}, {ID_CARDTYPE_24C02, 65},  {ID_CARDTYPE_24C04, 66},   {ID_CARDTYPE_24C08, 67},
    {ID_CARDTYPE_24C16, 68},  {ID_CARDTYPE_24C64, 192}, {ID_CARDTYPE_SLE4442, 17}, {ID_CARDTYPE_SLE4428, 5},
};
