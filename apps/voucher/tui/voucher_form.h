// The voucher-entry form on the terminal: a voucher (voucher::VoucherEntry) drawn as its
// header, a grid of its lines with the box of the current cell over that cell, its totals,
// the name of the current cell's entry, two help lines and a status line; or, as the page
// of master data, the boxes of voucher::VoucherBoxes one under another with their labels and
// the names beside them.
//
// On the voucher, F6 asks for a voucher's number in the status line (Enter opens it, Esc
// gives up), Ctrl-T and Ctrl-G there for a template's name; F11 shows the list of the
// month's vouchers (VoucherListScreen) instead of the voucher until it is done; and the voucher's
// questions (a draft found on starting, giving up changes) are asked there (Y or Enter: yes; N or
// Esc: no). Keys go to the focused box as window messages through the window system, so that the
// component sees them through its subclassing object: characters as WM_CHAR (UTF-16 units),
// function, arrow and editing keys as WM_KEYDOWN. Tab and Shift-Tab (and Enter while no
// list is shown) move the focus; F2 switches listing on entering a box; F10 and Ctrl-Q close
// the form, and so does the end of the terminal's input. An error raised while a key is
// handled is shown in the status line.
//
// Keys read from the terminal are pressed (Press) and handed to the boxes as they may go
// (DeliverKeys, voucher/type_ahead.h), so that keys typed ahead or pasted do what they do
// when typed one by one. Handle hands one key over at once.
#ifndef GLNAMELIST_APPS_VOUCHER_TUI_VOUCHER_FORM_H_
#define GLNAMELIST_APPS_VOUCHER_TUI_VOUCHER_FORM_H_

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "apps/voucher/tui/form_layout.h"
#include "apps/voucher/tui/voucher_list_screen.h"
#include "apps/voucher/type_ahead.h"
#include "apps/voucher/voucher_boxes.h"
#include "apps/voucher/voucher_entry.h"
#include "platform/environment.h"
#include "tui/curses_screen.h"
#include "tui/terminal_name_list.h"

namespace glnamelist::tui {

class VoucherForm {
 public:
  using ListReady = voucher::VoucherBoxes::ListReady;

  enum class Page { kVoucher, kBoxes };

  VoucherForm(platform::PlatformEnvironment& env, Screen& screen, std::string title,
              Page page = Page::kVoucher);
  ~VoucherForm();
  VoucherForm(const VoucherForm&) = delete;
  VoucherForm& operator=(const VoucherForm&) = delete;

  // The screen host and the form that list controls created for this form draw through and
  // serve.
  std::shared_ptr<ListHost> Host() const;
  std::weak_ptr<listkit::ListForm> Form() const { return boxes_; }

  // Attaches the GLNameList of every waiting box whose data is ready
  // (voucher::VoucherBoxes::AttachLists); true once no box waits. The first call gives the
  // first box the focus (on the voucher: starts a new voucher of today). A box that waits
  // says so beside it.
  bool AttachLists(const ListReady& ready = {});
  // True while AttachLists has work to do (voucher::VoucherBoxes::ListsWaiting).
  bool ListsWaiting() const { return boxes_->ListsWaiting(); }
  // New master data of these list kinds (voucher::VoucherBoxes::DataChanged).
  bool DataChanged(const std::vector<long>& kinds) { return boxes_->DataChanged(kinds); }

  // Draws the form and (with_list) the shown list; returns where the caret goes ({-1, -1}:
  // nowhere).
  std::pair<int, int> Paint(bool with_list = true);
  // Handles one key; False when the form is to close.
  bool Handle(const KeyPress& key);
  // True once a key handled from the queue closes the form (F10 or Ctrl-Q, asked first
  // on a voucher with changes).
  bool Quitting() const { return entry_ && entry_->Quitting(); }
  // Queues a key read from the terminal; False when it closes the form, which it does at
  // once, whatever waits.
  bool Press(const KeyPress& key);
  // Handles the queued keys that may go now; the milliseconds after which to call again
  // while one waits, -1 once none does.
  int DeliverKeys() { return typed_.Deliver(); }
  // The next queued key, taken out of the queue: a dialog reads the keys typed ahead first.
  std::optional<KeyPress> TakeTyped() { return typed_.Take(); }

  const voucher::VoucherBoxes& Boxes() const { return *boxes_; }
  // The voucher; nullptr on the page of master data.
  voucher::VoucherEntry* Entry() const { return entry_.get(); }
  void ShowStatus(std::string text, bool error) { boxes_->ShowStatus(std::move(text), error); }
  bool HotTrace() const { return boxes_->HotTrace(); }

 private:
  class FormHost;

  void MoveFocus(int step);
  // The keys of the page of boxes before its boxes: true when key was one of them.
  bool BoxesKey(const KeyPress& key);
  // The keys of the voucher, of its prompt and its question: true when key was one of them.
  bool VoucherKey(const KeyPress& key);
  // A key that opens a prompt or the list of vouchers; true when key was one of them.
  bool AroundKey(const voucher::FormKey& key);
  // A key typed into the prompt; Enter does what it asks.
  void PromptKey(const voucher::FormKey& key);
  // A key for the box with the focus, as window messages.
  void SendKey(const KeyPress& key);
  long FocusedWindow() const;
  std::pair<int, int> PaintBoxes();
  std::pair<int, int> PaintVoucher();
  // Draws the header's boxes; where the caret goes when one is edited ({-1, -1}: none is).
  std::pair<int, int> PaintHeader(const GridLayout& g);
  // Draws the help lines and the status line (or the prompt, or the question).
  void PaintFooter(int help_row, int status_row);
  void Send(long msg, long wParam);
  // A typed character as WM_CHAR messages of UTF-16 units.
  void SendChar(char32_t code);
  Rect BoxRect(long hwnd) const;
  // Where a figure's cell (汇率, 原币, 数量, 单价) stands among the figures; -1 for another.
  static int FigureOf(voucher::Column column);
  // Draws the current line's figures that its account opens on the name row; where the
  // caret goes when one is edited ({-1, -1}: none is).
  std::pair<int, int> PaintFigures(const GridLayout& g);
  // Where the voucher's parts go on the screen now: its amount columns as wide as its widest
  // amount.
  GridLayout Layout() const;

  platform::PlatformEnvironment& env_;
  Screen& screen_;
  std::string title_;
  std::shared_ptr<FormHost> host_;
  std::shared_ptr<voucher::VoucherBoxes> boxes_;
  voucher::PlainBoxes plain_;  // the windows of the amount box and the header (on the voucher)
  std::unique_ptr<voucher::VoucherEntry> entry_;
  std::optional<std::string> prompt_;  // what is typed after F6, Ctrl-T or Ctrl-G
  long prompt_key_ = 0;                // which of them
  std::string prompt_title_;
  std::unique_ptr<VoucherListScreen> list_screen_;  // the list of vouchers, after F11
  size_t focus_ = 0;
  bool focus_given_ = false;
  voucher::KeyQueue<KeyPress> typed_;
};

}  // namespace glnamelist::tui

#endif  // GLNAMELIST_APPS_VOUCHER_TUI_VOUCHER_FORM_H_
