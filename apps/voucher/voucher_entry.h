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
// The header's date, word and attachments have plain boxes of their own, always shown.
// Shift-Tab from the first cell goes back into them (date, word, attachments), Tab from
// the last one to the first cell. What a header box holds goes into the voucher when the
// box is left (voucher_header.h); a box that holds what cannot be is not left: the status
// line says why, and Esc puts back what the voucher has. Up and Down choose the word among
// the ledger's words.
//
// Leaving a cell does what a bookkeeper expects of it: ".." in 摘要 becomes the explanation of
// the line above and "//" the first line's, the code of a voucher explanation becomes its
// text; an account's helper code (its pinyin initials, "YHCK") in 科目 becomes the account
// when it names exactly one detail account, and otherwise the candidates are listed and
// the cell is not left. A line whose account was written is fitted to it (the grid's
// FitToAccount), its rate from the keeper's rate table for the voucher's date; Enter and Tab
// then pass the cells the account does not open.
//
// Keys the voucher takes before its box: Tab and Enter (Enter unless a shown list has a
// row the person moved to or a search found) to the next cell (an amount left is written
// as the voucher keeps it, "1,000.00"; one that cannot be read is not left), Shift-Tab back;
// while no list is shown Up/Down to the line above or below, PgUp/PgDn by PageLines lines,
// Home/End to the first or last cell of the line, Ctrl-Home/Ctrl-End to the first or last
// line, Esc back to what the cell held when entered; "=" in an amount cell for what
// balances the voucher, on the side that balances; Space in an amount cell moves the line's
// amount to the other side; F5 and Ctrl-S to save, F3 to insert a
// line before the current one, F4 to delete the current line and Ctrl-Z to bring it back,
// F7 to give up the changes (back to the voucher as saved, or to an empty new one) and
// Ctrl-N for a new voucher, both after a question while there are changes. An amount cell
// takes only what can become an amount: another key's text is taken back at once and the
// status line says why. A header box just entered is selected: typing replaces its text.
// Saving runs Check first, names the first problem's line in the status line and marks the
// lines at fault; a saved voucher's number is shown and a new voucher begins. The host
// asks for a number to open (OpenByText), puts the questions to the person (Question,
// Answer, Dismiss) and asks before quitting (Quit). A message in the status line goes once
// the box it was said over is left or its text changes.
//
// The draft is written at every key that changes the voucher and is on the disk (fsync)
// whenever a cell or header box is left, a line inserted or deleted and before a save: a
// crash loses at most what was typed into the box being edited.
#ifndef GLNAMELIST_APPS_VOUCHER_VOUCHER_ENTRY_H_
#define GLNAMELIST_APPS_VOUCHER_VOUCHER_ENTRY_H_

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "apps/voucher/draft_store.h"
#include "apps/voucher/entry_names.h"
#include "apps/voucher/type_ahead.h"
#include "apps/voucher/voucher_boxes.h"
#include "apps/voucher/voucher_grid.h"
#include "apps/voucher/voucher_header.h"
#include "apps/voucher/voucher_keeper.h"
#include "platform/window_system.h"

namespace glnamelist::voucher {

// The keys of the voucher (virtual-key codes, and the character of Ctrl-N).
inline constexpr long kSaveKey = 116;        // F5
inline constexpr long kOpenKey = 117;        // F6
inline constexpr long kInsertLineKey = 114;  // F3
inline constexpr long kDeleteLineKey = 115;  // F4
inline constexpr long kGiveUpKey = 118;      // F7
inline constexpr char32_t kCtrlN = 14;
inline constexpr char32_t kCtrlD = 4;  // the drafts set aside
inline constexpr char32_t kCtrlZ = 26;
// Around the voucher: the list of the month's vouchers, voiding, deleting, templates.
inline constexpr long kListKey = 122;             // F11
inline constexpr char32_t kVoidKey = 11;          // Ctrl-K
inline constexpr char32_t kDeleteKey = 18;        // Ctrl-R
inline constexpr char32_t kSaveTemplateKey = 20;  // Ctrl-T
inline constexpr char32_t kFromTemplateKey = 7;   // Ctrl-G

// The words of the voucher form that both forms show.
inline constexpr const char* kSaveKeys = "F5 / Ctrl-S";
inline constexpr const char* kOpenKeys = "F6";
inline constexpr const char* kInsertLineKeys = "F3";
inline constexpr const char* kDeleteLineKeys = "F4";
inline constexpr const char* kGiveUpKeys = "F7";
inline constexpr const char* kNewKeys = "Ctrl-N";
inline constexpr const char* kAsideKeys = "Ctrl-D";
inline constexpr const char* kListKeys = "F11";
inline constexpr const char* kBrowseKeys = "Ctrl-PgUp / Ctrl-PgDn";
inline constexpr const char* kEndsKeys = "Ctrl-Shift-PgUp / Ctrl-Shift-PgDn";
inline constexpr const char* kVoidKeys = "Ctrl-K";
inline constexpr const char* kDeleteKeys = "Ctrl-R";
inline constexpr const char* kSaveTemplateKeys = "Ctrl-T";
inline constexpr const char* kFromTemplateKeys = "Ctrl-G";
inline constexpr const char* kVoidQuestion = "作废这张凭证吗？作废后保留号码，不计入任何合计";
inline constexpr const char* kDeleteQuestion = "删除这张凭证吗？删除后不能恢复";
inline constexpr const char* kListPrompt =
    "筛选（凭证字、日期如 5 或 05-01~05-03、科目代码、¥金额）：";
inline constexpr const char* kOpenPrompt = "打开凭证（号码如 3，字 号码如 转 2，或 2026-12 3）：";
inline constexpr const char* kDraftQuestion = "有上次没有保存的凭证，接着录入吗？";
// A draft of a new voucher whose save was given up, or whose ledger cannot be asked now.
inline constexpr const char* kMaybeSavedDraftQuestion =
    "有上次的草稿，它可能已经保存：接着录入吗？";
inline constexpr const char* kAsideQuestion = "有放到一边的草稿，接着录入吗？";
inline constexpr const char* kDeleteDraftQuestion = "删除这张草稿吗？删除以后不能恢复";
inline constexpr const char* kGiveUpQuestion = "放弃对这张凭证的修改吗？";
inline constexpr const char* kNewQuestion =
    "这张凭证的修改还没有保存，放弃修改，开始录入新凭证吗？";
// Leaving a voucher with changes: yes saves them, no gives them up, and a dismissal stays.
inline constexpr const char* kLeaveQuestion = "这张凭证的修改还没有保存，保存吗？";
// The questions of a voucher whose last save's outcome is not known, which say nothing of
// its being saved or not. Leaving the form: yes leaves, its draft kept; leaving it for
// another: yes saves (a stored one is found, not stored again); a new voucher over it.
inline constexpr const char* kLeaveUnsettledQuestion =
    "不知道这张凭证是否已保存：退出吗？草稿留着，下次按 F5 查看或重新保存";
inline constexpr const char* kLeaveToUnsettledQuestion =
    "不知道这张凭证是否已保存：再保存一次吗？已保存的不会再存";
inline constexpr const char* kNewUnsettledQuestion =
    "不知道这张凭证是否已保存：不管它，开始录入新凭证吗？";

// The plain boxes of the voucher (windows): the amounts' and the header's, by HeaderField.
struct PlainBoxes {
  long amount = 0;
  std::array<long, kHeaderFields> header{};
};

class VoucherEntry {
 public:
  // The columns with a list, in the order of their boxes.
  static const std::vector<VoucherBoxes::BoxKind>& BoxKinds();

  // boxes: made over BoxKinds(); plain: the windows of the plain boxes. focus gives a window
  // the focus as the host does; write puts a text into a box as the host's box shows it.
  VoucherEntry(platform::WindowSystem& windows, VoucherBoxes& boxes, PlainBoxes plain,
               std::function<void(long hWnd)> focus, VoucherBoxes::WriteBox write);

  // Where vouchers are saved (none: saving says it cannot); its Notice is shown. Where the
  // draft is kept
  // (none: no draft). The drafts of windows that are gone, found there, are offered one by
  // one (DraftOffered).
  void UseKeeper(std::shared_ptr<VoucherKeeper> keeper);
  void UseDrafts(std::optional<DraftStore> drafts);

  // Starts on a new voucher of date (YYYY-MM-DD), its first cell's box with the focus.
  void Start(const std::string& date);

  const VoucherGrid& Grid() const { return grid_; }
  // The header box being edited; nullopt while a cell is.
  std::optional<HeaderField> HeaderAt() const { return header_at_; }
  // The window of the box over a column's cells, and of a header box.
  long Editor(Column column) const;
  long Editor(HeaderField field) const { return plain_.header[static_cast<size_t>(field)]; }
  long CurrentEditor() const {
    return header_at_ ? Editor(*header_at_) : Editor(grid_.Current().column);
  }

  // The keys the voucher takes (see above); true when key was one of them.
  bool Key(const FormKey& key);
  // How many lines PgUp and PgDn move: the lines the host shows at a time.
  void PageLines(int lines) { page_lines_ = std::max(lines, 1); }
  // The header box being edited was just entered: its text is all selected, and what is
  // typed replaces it.
  bool HeaderSelected() const { return header_at_ && header_selected_; }
  // What the box over the current cell holds goes into the grid, and into the draft.
  void Commit();
  // Goes to cell, or to a header box (a click on it).
  void MoveTo(Cell cell);
  void MoveTo(HeaderField field);

  // Inserts a blank line before the current one, deletes the current line.
  void InsertLine();
  void DeleteLine();
  // Gives up the changes (back to the voucher as saved or begun), and begins a new voucher;
  // each asks first while there are changes.
  void GiveUp();
  void NewVoucher();

  // Checks and saves the voucher, and says how that went.
  void Save();
  // A line (0-based) that kept the last save from happening (an account, item or currency
  // that no longer exists, an amount missing): marked until the next save or voucher.
  bool LineMarked(int line) const {
    return std::find(marked_.begin(), marked_.end(), line) != marked_.end();
  }
  // Opens the saved voucher that text names: its number, or a month and a number
  // ("2026-12 3"), of the current voucher's word (and month). The voucher being entered is
  // kept when it has changes not saved: it is saved first, or nothing is opened.
  void OpenByText(const std::string& text);

  // The saved vouchers of the current voucher's month (Ctrl-PgUp, Ctrl-PgDn; with Shift the
  // first and last), in the list's order; from a new voucher back is the month's last. As
  // OpenByText, a voucher with changes asks first.
  enum class Toward { kFirst, kPrevious, kNext, kLast };
  void Browse(Toward toward);
  // The vouchers of the current voucher's month that pass the filter typed (ReadFilter);
  // nullopt, and the status line says why, when it cannot be read or the ledger fails.
  std::optional<std::vector<VoucherSummary>> ListVouchers(const std::string& filter);
  // Opens a voucher of the list (as OpenByText).
  void OpenListed(const VoucherSummary& listed);
  // Asks to void (kVoidQuestion) or delete (kDeleteQuestion) the saved voucher shown, once
  // it has no changes; the answer yes does it and says so.
  void AskVoid();
  void AskDelete();
  // The voucher shown kept as the template of name; a new voucher, dated as the one shown,
  // from the template of name. Either says in the status line how it went.
  void SaveTemplate(const std::string& name);
  void FromTemplate(const std::string& name);
  // "模板名（已有：收款、付款）：" for the prompt of Ctrl-T or Ctrl-G.
  std::string TemplatePrompt(bool save);

  // The question that waits for the person's answer (yes or no), nullptr when none does: a
  // draft found on starting or set aside (Ctrl-D), deleting it, giving up the changes, a
  // new voucher over changes, leaving a voucher with changes (kLeaveQuestion). QuestionKeys:
  // the keys that answer it, "（Y/N）" or more.
  const char* Question() const;
  const char* QuestionKeys() const;
  bool DraftOffered() const { return asked_ == Asked::kDraft || asked_ == Asked::kAside; }
  // The answer to the question: a draft offered taken into the grid (yes) or set aside
  // (no: kept), a draft deleted or not, the changes given up, or nothing done. To
  // kLeaveQuestion: yes saves and leaves once saved, no gives the changes up and leaves.
  void Answer(bool yes);
  // The keys of a question: Y or Enter yes, N no, Esc (Dismiss), D to delete a draft
  // offered (after a question). True when key answered.
  bool QuestionKey(const FormKey& key);
  // Esc on the question: a draft offered stays where it is (asked again at a later start,
  // or among those set aside); the leave question is put away and the voucher not left; any
  // other question is answered no.
  void Dismiss();
  // Offers the drafts set aside, one by one.
  void OfferAsideDrafts();

  // The person asks to quit: true when the voucher may be left now; else kLeaveQuestion is
  // asked. Quitting says once the host may quit (at once, or after the answer).
  bool Quit();
  bool Quitting() const { return quitting_; }

  // "借方合计 1,200.00   贷方合计 1,000.00   差额 200.00" (no difference once they agree).
  std::string TotalsText() const;
  // "人民币大写：壹仟贰佰元整", the debit total in capitals, shown under the totals.
  std::string CapitalsText() const;
  // "制单人：会计甲": who prepared the voucher, or will once it is saved.
  std::string PreparerText() const;
  bool Balanced() const;
  // "第 3 号" once saved, "（保存时编号）" before.
  std::string NumberText() const;

 private:
  enum class Asked {
    kNone,
    kDraft,
    kAside,
    kDeleteDraft,
    kGiveUp,
    kNew,
    kLeave,
    kLeaveUnsettled,
    kVoid,
    kDelete
  };

  // Puts the current line's texts and the header into the boxes and gives the current box
  // the focus.
  void Load();
  // Leaves the current box for where move goes: not from a header box whose text cannot be.
  void Go(const std::function<void()>& move);
  // Tab or Shift-Tab: through the header, then the cells.
  void Step(bool back);
  // The header box being edited into the voucher; false (and says why after prefix) when
  // its text cannot be.
  bool LeaveHeader(const std::string& prefix = "");
  // Keeps the grid as the draft, on the disk when durable; forgets it once nothing changed.
  void KeepDraft(bool durable);
  void DiscardDraft();
  // The voucher differs from the one saved, opened or begun; or (Unsaved) so does the text
  // of the header box being edited.
  bool Changed() const;
  bool Unsaved() const;
  void Fresh(const std::string& date, const std::string& word);
  // Shows voucher, at its first cell, as the voucher that changes are made against (none:
  // unknown, so that every state of it counts as changed).
  void Show(Voucher voucher, std::optional<Voucher> clean);
  // Back to the voucher as saved (read again when only a draft of it is known) or begun.
  void Revert();
  void TakeDraft(bool take);
  // Offers the next draft of a window gone, or (aside) set aside, or with again the first
  // again; says when there is none set aside.
  void OfferDraft(bool aside, bool again = false);
  // Whether the voucher of uid may be stored: it is, or the ledger cannot tell now.
  bool MaybeStored(const std::string& uid) const;
  // The ledger's voucher words, read once (the standard ones while the ledger cannot say).
  const std::vector<std::string>& Words();

  // What leaving the current cell does to it (see above); false when it is not left.
  bool LeaveCell();
  // 摘要 left: "..", "//" or an explanation's code become the text they stand for.
  void ExpandExplanation();
  // 科目 left holding a helper code: the one account it names, or false with the
  // candidates listed.
  bool TakeHelperCode();
  // What the account of a code is kept by, as the keeper reads it from the ledger: once an
  // account per version of the master data. ReadKept raises the ledger's errors;
  // KeptOfAccount, for the grid's cells, takes them as nothing kept.
  KeptBy ReadKept(const std::string& account);
  KeptBy KeptOfAccount(const std::string& account);
  // The entries as of the boxes' DataVersion: read again once the master data changed.
  EntryNames& Names();

  // The keys of the voucher after those of a selected header box and the moves.
  bool CommandKey(const FormKey& key);
  // Up, Down, PgUp, PgDn, Home, End, Ctrl-Home and Ctrl-End between the cells, while no
  // list is shown: true when key was one of them.
  bool MoveKey(const FormKey& key);
  // A key in a header box just entered: typing replaces its text, Backspace and Delete
  // clear it; true when the key was taken.
  bool SelectedHeaderKey(const FormKey& key);
  // Esc in a cell: back to what it held when it was entered.
  void RestoreCell();
  // F4's line back (Ctrl-Z).
  void UndoDelete();
  // An amount being typed that cannot become one: the cell keeps what it held, and the
  // status line says why; false then.
  bool AmountTyped(const std::string& text);
  // An amount cell is left only holding an amount; false (and says why) when it does not.
  bool LeaveAmount();
  // The status line follows the person: a message goes once the box it was said over is
  // left or its text changes. Called after every key.
  void Settle();
  // The lines of problems are marked.
  void MarkLines(const std::vector<Problem>& problems);
  // Ctrl-PgUp and the other keys around the voucher; true when key was one of them.
  bool AroundKey(const FormKey& key);
  // The saved voucher shown, without changes, may be voided or deleted: else false, and the
  // status line says why.
  bool MayMark(const char* doing);
  // Voids or deletes the voucher shown, after the answer yes.
  void Mark(bool void_it);
  // Leaves the voucher (saved, or its changes given up) for what the answer to
  // kLeaveQuestion lets happen next.
  void Leave(bool save);

  platform::WindowSystem& windows_;
  VoucherBoxes& boxes_;
  PlainBoxes plain_;
  std::function<void(long)> focus_;
  VoucherBoxes::WriteBox write_;
  VoucherGrid grid_;
  std::optional<HeaderField> header_at_;
  std::optional<Voucher> clean_;  // the voucher as last saved, opened or begun
  std::shared_ptr<VoucherKeeper> keeper_;
  std::optional<DraftStore> drafts_;
  std::string draft_written_, draft_synced_;  // the draft's text last written, and synced
  Asked asked_ = Asked::kNone;
  std::optional<Voucher> offered_;
  bool offered_aside_ = false;
  bool offered_unsaved_ = true;  // the offered draft's voucher is known not to be stored
  std::vector<std::string> words_;
  int page_lines_ = 10;
  std::vector<int> marked_;
  bool header_selected_ = false;
  std::string entered_text_;  // what the current cell held when it was entered
  std::optional<std::pair<int, VoucherLine>> deleted_;  // F4's line and where it stood
  // The status line's message as last seen after a key, and the box and its text then.
  struct Said {
    std::string status;
    long box = 0;
    std::string text;
  } said_;
  // After kLeaveQuestion: the voucher to open, as typed after F6 (nullopt: the host quits),
  // and whether the host may quit now.
  std::optional<std::string> leave_to_;
  bool quitting_ = false;
  // The last save of the voucher shown may have stored it (its outcome unknown): nothing
  // says "not saved" of it until a save settles it.
  bool unsettled_ = false;
  // The entries a voucher is checked against, as of the boxes' DataVersion.
  EntryNames names_;
  long names_version_ = 0;
  std::map<std::string, KeptBy> kept_;  // by account code, as of names_version_
  std::string preparer_;                // who the keeper says prepares the vouchers saved
};

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_VOUCHER_ENTRY_H_
