// Operator actions of the safety sweep: what a person does with the
// program and the reader, every choice drawn up front so that a sequence
// replays exactly (and can be shrunk by leaving actions out).
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "reliability/fault_rig.h"
#include "reliability/safety_world.h"

namespace reliability {

struct Action {
  enum class Kind {
    Read,        // a: the page, block or zone typed into the dialog, if it asks
    ChooseType,  // a: the manual card type command
    Detect,
    EditMode,      // the Write command
    TypeHexAt,     // a, b: row and column clicked on the page shown; text: digits
    TypeHexHere,   // text: digits typed where the caret is
    TypeCharsAt,   // a, b: row and column clicked in the character grid; text
    Key,           // a: virtual key (arrows, Tab, Home, End, Page Up/Down)
    Mark,          // a, b: row and column clicked, then Space
    CancelDialog,  // a: 0 the card type's password dialog, 1 Save, 2 Open; b: which password dialog
    Escape,
    WriteF5,
    OpenImage,   // a: 0 the image with changed bytes, 1 a file of the wrong size; b: seed of the changes
    SwapCard,    // a: the card put in (-1: the reader stays empty)
    VerifyCode,  // the card type's user code or security code, as made
    Exit,        // "退出系统"
    CloseButton,  // the window's close button
    QuitButton,   // the picture's quit button
    PortSwitch,   // a: index into kPortCommands; b: 1 the reader was plugged into that port first
    Save,         // Ctrl+S into a file
  };
  enum class Fault { None, Fail, Pull, Drop, FailWrite };  // FailWrite: the first data write fails
  // Input the operator gave while a box was open (typed ahead, or queued
  // before the box appeared): characters, keys, clicks on a cell, commands.
  struct Input {
    enum class Kind { Char, Key, Click, Command };
    Kind kind = Kind::Key;
    int value = 0;  // character, virtual key, command id; a click: row * 16 + column
  };

  Kind kind = Kind::Detect;
  int a = 0;
  int b = 0;
  std::string text;
  std::vector<int> answers;  // message box answers, in order
  Fault fault = Fault::None;
  long faultCall = 0;  // the driver call, counted from the action's start
  std::vector<Input> duringBox;  // delivered while the action's first box is open
};

// One line for a report: "TypeHexAt row 3 col 5 \"a7\" [fail@4]".
std::string describe(const Action& a);

// A random action; `cards` is the number of physical cards.
Action randomAction(std::mt19937& rng, int cards);
// An editing episode as an operator goes about it: the Write command, a few
// edits, moves and dialogs, and mostly F5 at the end.
std::vector<Action> randomEpisode(std::mt19937& rng, int cards);

// Runs an action that types nothing (Model types): commands, keys, dialogs,
// files and the cards. Message box answers and faults are set by the caller.
// True when the program ended.
bool perform(Rig& r, World& w, const Action& a);
// Delivers input through the view's entry points, as its window's messages.
void deliver(Rig& r, const Action::Input& in);

}  // namespace reliability
