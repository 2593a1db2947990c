#include "qt/key_codes.h"

#include <unordered_map>

#include "contracts/virtual_keys.h"

namespace glnamelist::qt {
namespace {

constexpr long kVkF1 = 0x70;
constexpr long kVkNumpad0 = 0x60;

const std::unordered_map<int, long>& NamedKeys() {
  static const std::unordered_map<int, long> keys = {
      {Qt::Key_Backspace, VK_BACK}, {Qt::Key_Tab, VK_TAB},       {Qt::Key_Backtab, VK_TAB},
      {Qt::Key_Return, VK_RETURN},  {Qt::Key_Enter, VK_RETURN},  {Qt::Key_Shift, 0x10},
      {Qt::Key_Control, 0x11},      {Qt::Key_Alt, 0x12},         {Qt::Key_Pause, 0x13},
      {Qt::Key_CapsLock, 0x14},     {Qt::Key_Escape, VK_ESCAPE}, {Qt::Key_Space, 0x20},
      {Qt::Key_PageUp, VK_PRIOR},   {Qt::Key_PageDown, VK_NEXT}, {Qt::Key_End, VK_END},
      {Qt::Key_Home, VK_HOME},      {Qt::Key_Left, VK_LEFT},     {Qt::Key_Up, VK_UP},
      {Qt::Key_Right, VK_RIGHT},    {Qt::Key_Down, VK_DOWN},     {Qt::Key_Print, 0x2C},
      {Qt::Key_Insert, 0x2D},       {Qt::Key_Delete, VK_DELETE}, {Qt::Key_Meta, 0x5B},
      {Qt::Key_Menu, 0x5D},         {Qt::Key_NumLock, 0x90},     {Qt::Key_ScrollLock, 0x91},
      {Qt::Key_Semicolon, 0xBA},    {Qt::Key_Colon, 0xBA},       {Qt::Key_Equal, 0xBB},
      {Qt::Key_Plus, 0xBB},         {Qt::Key_Comma, 0xBC},       {Qt::Key_Less, 0xBC},
      {Qt::Key_Minus, 0xBD},        {Qt::Key_Underscore, 0xBD},  {Qt::Key_Period, 0xBE},
      {Qt::Key_Greater, 0xBE},      {Qt::Key_Slash, 0xBF},       {Qt::Key_Question, 0xBF},
      {Qt::Key_QuoteLeft, 0xC0},    {Qt::Key_AsciiTilde, 0xC0},  {Qt::Key_BracketLeft, 0xDB},
      {Qt::Key_BraceLeft, 0xDB},    {Qt::Key_Backslash, 0xDC},   {Qt::Key_Bar, 0xDC},
      {Qt::Key_BracketRight, 0xDD}, {Qt::Key_BraceRight, 0xDD},  {Qt::Key_Apostrophe, 0xDE},
      {Qt::Key_QuoteDbl, 0xDE},
  };
  return keys;
}

// The keypad's operators and point.
const std::unordered_map<int, long>& KeypadKeys() {
  static const std::unordered_map<int, long> keys = {
      {Qt::Key_Asterisk, 0x6A}, {Qt::Key_Plus, 0x6B},  {Qt::Key_Minus, 0x6D},
      {Qt::Key_Period, 0x6E},   {Qt::Key_Comma, 0x6E}, {Qt::Key_Slash, 0x6F},
  };
  return keys;
}

}  // namespace

long VirtualKey(int key, Qt::KeyboardModifiers modifiers) {
  bool keypad = modifiers.testFlag(Qt::KeypadModifier);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    return keypad ? kVkNumpad0 + (key - Qt::Key_0) : static_cast<long>(key);
  }
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return kVkF1 + (key - Qt::Key_F1);
  if (keypad) {
    if (auto it = KeypadKeys().find(key); it != KeypadKeys().end()) return it->second;
  }
  if (auto it = NamedKeys().find(key); it != NamedKeys().end()) return it->second;
  return 0;
}

}  // namespace glnamelist::qt
