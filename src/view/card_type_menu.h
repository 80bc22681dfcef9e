// Card type selection and the menu bar of each card type.
#pragma once

#include <string_view>

#include "cards/card_types.h"
#include "platform/ports.h"
#include "resources/resource.h"
#include "view/view_context.h"

// Menu resource of a card type (IDR_MAINFRAME for card types without a menu
// of their own).
int menuResourceFor(CardType cardType);

// Position of the first item whose caption equals `caption` exactly, or -1.
int FindMenuItem(port::MenuBar& bar, port::MenuRef menu, std::string_view caption);

// Installs the menu bar of a card type and resets the editing state.
void SwapMenuForCardType(ViewContext& ctx, CardType cardType);

// The manual card-type command of a memory card (24C01A ... 4428): sets
// cardType, swaps the menu, draws caption and capacity, sets the reader's
// card type and reports "设卡成功" / "设卡失败".
void chooseMemoryCardType(ViewContext& ctx, CardType cardType);

// The CPU card command: sets the CPU card type and its menu bar; nothing is sent
// to the reader.
void chooseCpuCard(ViewContext& ctx);

// The manual card-type commands: command id and the card type it selects.
struct CardTypeCommand {
  int commandId;
  CardType cardType;
};
inline constexpr CardTypeCommand kMemoryCardTypeCommands[] = {
    {ID_CARDTYPE_24C01A, CardType::At24c01a},  {ID_CARDTYPE_24C02, CardType::At24c02},
    {ID_CARDTYPE_24C04, CardType::At24c04},    {ID_CARDTYPE_24C08, CardType::At24c08},
    {ID_CARDTYPE_24C16, CardType::At24c16},    {ID_CARDTYPE_24C64, CardType::At24c64},
    {ID_CARDTYPE_SLE4442, CardType::Sle4442},  {ID_CARDTYPE_SLE4428, CardType::Sle4428},
};
