// The voucher form as both forms have it: a voucher's header and its lines in a grid
// (voucher_grid.h), one text box over the cell being edited, totals, and saving, opening
// and the draft kept while a person types.
//
// The box over a cell is the box of its column: the boxes of voucher::VoucherBoxes made over
// BoxKinds() for the columns with a list (摘要, 科目, 核算类别, 核算项目, 币别), each with the
// GLNameList of its kind, and one plain box for the amounts. Only the box of the current
// cell is shown, over that cell; the boxes hold the current line's texts, so that the item
// box lists the items of its own line's class. What the box holds goes into the grid after
// every key (Commit) and the grid is kept as the draft.
//
// Keys the voucher takes before its box: Tab and Enter (while no list is shown) to the next
// cell (an amount left is written as the voucher keeps it, "1,000.00"), Shift-Tab back, "="
// in an amount cell for what balances the voucher, F5 and Ctrl-S to save. Saving runs Check first
// and names the first problem's line in the status line; a saved voucher's number is shown and a
// new voucher begins. The host asks for a number to open (OpenByText) and whether to take the draft
// offered on starting.
#ifndef GLNAMELIST_APPS_VOUCHER_VOUCHER_ENTRY_H_
#define GLNAMELIST_APPS_VOUCHER_VOUCHER_ENTRY_H_

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "apps/voucher/draft_store.h"
#include "apps/voucher/entry_names.h"
#include "apps/voucher/type_ahead.h"
#include "apps/voucher/voucher_boxes.h"
#include "apps/voucher/voucher_grid.h"
#include "apps/voucher/voucher_keeper.h"
#include "platform/window_system.h"

namespace glnamelist::voucher {

// The keys that save and open (virtual-key codes).
inline constexpr long kSaveKey = 116;  // F5
inline constexpr long kOpenKey = 117;  // F6

// The words of the voucher form that both forms show.
inline constexpr const char* kSaveKeys = "F5 / Ctrl-S";
inline constexpr const char* kOpenKeys = "F6";
inline constexpr const char* kOpenPrompt = "打开凭证（号码，或 月份 号码，如 2026-12 3）：";
inline constexpr const char* kDraftQuestion = "有上次没有保存的凭证，接着录入吗？";

class VoucherEntry {
 public:
  // The columns with a list, in the order of their boxes.
  static const std::vector<VoucherBoxes::BoxKind>& BoxKinds();

  // boxes: made over BoxKinds(); amount: the window of the amount box. focus gives a window
  // the focus as the host does; write puts a text into a box as the host's box shows it.
  VoucherEntry(platform::WindowSystem& windows, VoucherBoxes& boxes, long amount,
               std::function<void(long hWnd)> focus, VoucherBoxes::WriteBox write);

  // Where vouchers are saved (none: saving says it cannot), and where the draft is kept
  // (none: no draft). A draft found there is offered (DraftOffered).
  void UseKeeper(std::shared_ptr<VoucherKeeper> keeper) { keeper_ = std::move(keeper); }
  void UseDrafts(std::optional<DraftStore> drafts);

  // Starts on a new voucher of date (YYYY-MM-DD), its first cell's box with the focus.
  void Start(const std::string& date);

  const VoucherGrid& Grid() const { return grid_; }
  // The window of the box over a column's cells.
  long Editor(Column column) const;
  long CurrentEditor() const { return Editor(grid_.Current().column); }

  // The keys the voucher takes (see above); true when key was one of them.
  bool Key(const FormKey& key);
  // What the box over the current cell holds goes into the grid, and into the draft.
  void Commit();
  // Goes to cell (a click on it).
  void MoveTo(Cell cell);

  // Checks and saves the voucher, and says how that went.
  void Save();
  // Opens the saved voucher that text names: its number, or a month and a number
  // ("2026-12 3"), of the current voucher's word (and month). The voucher being entered is
  // kept when it has changes not saved: it is saved first, or nothing is opened.
  void OpenByText(const std::string& text);

  // A draft was found on starting and waits for the person's answer.
  bool DraftOffered() const { return offered_.has_value(); }
  // Takes the draft offered into the grid, or gives it up.
  void AnswerDraft(bool take);

  // "借方合计 1,200.00   贷方合计 1,000.00   差额 200.00" (no difference once they agree).
  std::string TotalsText() const;
  bool Balanced() const;
  // "记 字第 3 号" once saved, "记 字（保存时编号）" before; the date and the attachments.
  std::string HeaderText() const;

 private:
  // Puts the current line's texts into the boxes and gives the current cell's box the focus.
  void Load();
  void Go(const std::function<void()>& move);
  void KeepDraft();
  bool Unsaved() const;
  void Fresh(const std::string& date, const std::string& word);

  platform::WindowSystem& windows_;
  VoucherBoxes& boxes_;
  long amount_;
  std::function<void(long)> focus_;
  VoucherBoxes::WriteBox write_;
  VoucherGrid grid_;
  std::string clean_;  // the voucher as last saved, opened or begun (its draft text)
  std::shared_ptr<VoucherKeeper> keeper_;
  std::optional<DraftStore> drafts_;
  std::optional<Voucher> offered_;
  // The entries a voucher is checked against, as of the boxes' DataVersion.
  EntryNames names_;
  long names_version_ = 0;
};

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_VOUCHER_ENTRY_H_
