#include "apps/voucher/type_ahead.h"

#include "contracts/virtual_keys.h"

namespace glnamelist::voucher {
namespace {

// The box's list may list: focus coming to a box (Tab, Enter, the keys that move between
// lines), a choice, F8, a point.
bool MayList(const FormKey& key) {
  switch (key.vk) {
    case VK_TAB:
    case VK_RETURN:
    case VK_F8:
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_HOME:
    case VK_END:
      return true;
    default:
      return IsCodePoint(key.ch);
  }
}

// Only the box's list can do what the key asks for.
bool NeedsList(const FormKey& key) {
  return key.vk == VK_F8 || key.vk == VK_F9 || IsCodePoint(key.ch);
}

}  // namespace

bool IsCodePoint(char32_t ch) { return ch == U'.' || ch == U'。' || ch == U'．'; }

int TypeAhead::Wait(const FormKey& key) {
  size_t box = boxes_.Focused();
  if (NeedsList(key) && box < boxes_.Count() && boxes_.Waiting(box)) {
    if (note_.empty()) {
      note_ = boxes_.Label(box) + "的列表正在载入，载入后接着处理所按的键";
      boxes_.ShowStatus(note_, false);
    }
    return VoucherBoxes::kAttachPollMs;
  }
  Drained();
  return MayList(key) ? boxes_.ListingGuardMs() : 0;
}

void TypeAhead::Drained() {
  if (note_.empty()) return;
  boxes_.ClearStatus(note_);
  note_.clear();
}

}  // namespace glnamelist::voucher
