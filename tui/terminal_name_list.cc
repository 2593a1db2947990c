#include "tui/terminal_name_list.h"

#include <algorithm>
#include <exception>

#include "platform/picture_store.h"
#include "tui/list_layout.h"
#include "tui/list_painter.h"

namespace glnamelist::tui {

std::string ListHost::PictureGlyph(const std::string& key) { return platform::PictureGlyph(key); }

TerminalNameList::TerminalNameList(std::weak_ptr<listkit::ListForm> form,
                                   std::shared_ptr<ListHost> host)
    : NameListBase(std::move(form)), host_(std::move(host)) {}

void TerminalNameList::OnShow(bool kept) {
  top_ = kept ? std::clamp(top_, 1L, std::max(Selection(), 1L)) : 1;
}

// A selection above the page scrolls up to it here; one below, in Paint, which knows the
// page.
void TerminalNameList::OnSelect() { top_ = std::min(top_, Selection()); }

Rect TerminalNameList::Frame() const {
  return ListFrame(Rows(), host_->BoxRect(OwnerHwnd()), host_->ScreenRows(), host_->ScreenCols());
}

long TerminalNameList::PageRows() const { return std::max(Frame().height - 2, 1); }

void TerminalNameList::Paint(Screen& screen) {
  if (!Visible()) return;
  Rect f = Frame();
  if (f.height == 0) return;
  long rows = Rows().Rows();
  long shown = f.height - 2;
  if (Selection() >= top_ + shown) top_ = Selection() - shown + 1;
  top_ = std::clamp(top_, 1L, std::max(rows - shown + 1, 1L));
  long last = std::min(rows, top_ + shown - 1);

  // Hand over the rows about to be painted; the layout measures them.
  bool reported = false;
  for (long r = top_; r <= last; ++r) {
    try {
      MutableRows().Fetch(r);
    } catch (const std::exception& e) {
      if (!reported) ReportError(e);
      reported = true;
    }
  }

  ListView view{f,
                top_,
                last,
                Selection(),
                Found(),
                Marked(),
                LayOutColumns(Rows(), top_, last, f.width - 2, /*code_listing=*/!Found())};
  PaintList(screen, Rows(), view,
            [this](const std::string& key) { return host_->PictureGlyph(key); });
}

}  // namespace glnamelist::tui
