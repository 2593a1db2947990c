// The drop-down list control of the terminal: the keys, the selection and the choice are
// listkit::NameListBase's; the list goes under its box (above it when there is no room
// below) and keeps the first shown row, so that the selection stays in view.
//
// With rows on request the list asks for a row (DataRequest) only when it paints it, or
// when Enter needs its code; a row handed over is kept until Rows is set again.
#ifndef GLNAMELIST_TUI_TERMINAL_NAME_LIST_H_
#define GLNAMELIST_TUI_TERMINAL_NAME_LIST_H_

#include <memory>
#include <string>

#include "contracts/api.h"
#include "listkit/list_control_base.h"
#include "tui/screen.h"

namespace glnamelist::tui {

// What a terminal list needs of the screen of the form it belongs to.
class GLNAMELIST_API ListHost {
 public:
  virtual ~ListHost() = default;
  // Where the text box hWnd is on the screen; height 0 when the form has no such box.
  virtual Rect BoxRect(long hWnd) = 0;
  virtual int ScreenRows() = 0;
  virtual int ScreenCols() = 0;
  // The glyph that stands for the picture stored under key (at most two columns); the
  // platform's glyph of the picture unless the host draws its own.
  virtual std::string PictureGlyph(const std::string& key);
};

class GLNAMELIST_API TerminalNameList : public listkit::NameListBase {
 public:
  TerminalNameList(std::weak_ptr<listkit::ListForm> form, std::shared_ptr<ListHost> host);

  // Draws the list, when shown, over what the screen holds; first asks for the rows on
  // request about to be painted.
  void Paint(Screen& screen);

 protected:
  long PageRows() const override;
  void OnShow(bool kept) override;
  void OnHide() override {}
  void OnSelect() override;

 private:
  // Where the list goes (frame included); height 0 when the screen has no room.
  Rect Frame() const;

  std::shared_ptr<ListHost> host_;
  long top_ = 1;  // the first shown row
};

}  // namespace glnamelist::tui

#endif  // GLNAMELIST_TUI_TERMINAL_NAME_LIST_H_
