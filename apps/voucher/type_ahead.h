// Keys typed ahead: a person's keys reach the form in order, each once it can have the
// outcome it has when typed slowly.
//
// A list skips a listing that starts within 0.01 s of its last one, and a box whose data is
// still being read has no list yet. So a key that may list (Tab, Enter, F8, a point) waits
// until a listing would get past that guard, and a key that needs the box's list (F8, F9, a
// point) waits, with a word in the status line, until the list of the box with the focus is
// attached. The keys behind a waiting key wait behind it.
#ifndef GLNAMELIST_APPS_VOUCHER_TYPE_AHEAD_H_
#define GLNAMELIST_APPS_VOUCHER_TYPE_AHEAD_H_

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "apps/voucher/voucher_boxes.h"

namespace glnamelist::voucher {

// A key as the form tells keys apart: its virtual-key code (VK_TAB, VK_RETURN, VK_F8, ...;
// 0 for none) and the character it types (0 for none); shift for Shift-Tab.
struct FormKey {
  long vk = 0;
  char32_t ch = 0;
  bool shift = false;
  bool ctrl = false;  // with Ctrl (Ctrl-Home); a control character comes as ch instead
};

// True for the point of a code, as typed or as a Chinese input method types it (。 ．).
bool IsCodePoint(char32_t ch);

// Whether the next key may go to the form now.
class TypeAhead {
 public:
  explicit TypeAhead(VoucherBoxes& boxes) : boxes_(boxes) {}
  // 0 when key may go now; else the milliseconds after which to ask again.
  int Wait(const FormKey& key);
  // No key waits any more: a word about waiting keys leaves the status line.
  void Drained();

 private:
  VoucherBoxes& boxes_;
  std::string note_;  // what the status line says of waiting keys, while it does
};

// The keys of a host, Key being the toolkit's own key, queued until they may go.
template <typename Key>
class KeyQueue {
 public:
  // what(key) tells which key it is; hand(key) hands it to the form.
  KeyQueue(VoucherBoxes& boxes, std::function<FormKey(const Key&)> what,
           std::function<void(Key&)> hand)
      : gate_(boxes), what_(std::move(what)), hand_(std::move(hand)) {}

  void Push(Key key) { keys_.push_back(std::move(key)); }
  bool Empty() const { return keys_.empty(); }
  // The next key, out of the queue (for a dialog that reads the keys itself).
  std::optional<Key> Take() {
    if (keys_.empty()) return std::nullopt;
    Key key = std::move(keys_.front());
    keys_.pop_front();
    return key;
  }

  // Hands over, in order, the keys that may go now; the milliseconds after which to call
  // again while a key waits, -1 once none does.
  int Deliver() {
    if (delivering_) return 1;  // the keys go on once the key being handed over has gone
    delivering_ = true;
    struct Done {
      bool& delivering;
      ~Done() { delivering = false; }
    } done{delivering_};
    while (!keys_.empty()) {
      if (int wait = gate_.Wait(what_(keys_.front())); wait > 0) return wait;
      Key key = std::move(keys_.front());
      keys_.pop_front();
      hand_(key);
    }
    gate_.Drained();
    return -1;
  }

 private:
  TypeAhead gate_;
  std::function<FormKey(const Key&)> what_;
  std::function<void(Key&)> hand_;
  std::deque<Key> keys_;
  bool delivering_ = false;
};

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_TYPE_AHEAD_H_
