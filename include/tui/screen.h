// Where the terminal parts draw: a grid of character cells with a style per cell.
//
// The list control and the form draw on a Screen, so that their layout can be checked on
// the in-memory CellScreen; the curses screen puts the same cells on the terminal.
#ifndef GLNAMELIST_TUI_SCREEN_H_
#define GLNAMELIST_TUI_SCREEN_H_

#include <string>
#include <string_view>
#include <vector>

#include "contracts/api.h"

namespace glnamelist::tui {

enum class Style {
  kNormal,
  kLabel,
  kField,       // a text box
  kFocusField,  // the text box that has the focus
  kFrame,       // borders of the list and the dialog
  kTitle,
  kSelected,  // the selected row of the list
  kMatch,     // the typed text inside a row
  kSelectedMatch,
  kHelp,
  kStatus,
  kError,
  kButton,
};

struct GLNAMELIST_API Rect {
  int y = 0;
  int x = 0;
  int height = 0;
  int width = 0;
};

class GLNAMELIST_API Screen {
 public:
  virtual ~Screen() = default;
  virtual int Rows() const = 0;
  virtual int Cols() const = 0;
  // Writes text (control characters shown as spaces) from row y, column x, clipped at the
  // screen's edges (never half a wide character); returns the columns written.
  virtual int Put(int y, int x, std::string_view text, Style style) = 0;
  // Blanks the whole screen.
  virtual void Clear() = 0;
};

// Fills the rectangle with spaces of the style.
GLNAMELIST_API void FillRect(Screen& screen, const Rect& r, Style style);
// Draws a single-line frame along the edge of r.
GLNAMELIST_API void DrawFrame(Screen& screen, const Rect& r, Style style);

// A screen in memory. Overlapping writes are settled here: a character written over half
// of a wide character blanks the other half.
class GLNAMELIST_API CellScreen : public Screen {
 public:
  CellScreen(int rows, int cols);
  int Rows() const override { return rows_; }
  int Cols() const override { return cols_; }
  int Put(int y, int x, std::string_view text, Style style) override;
  void Clear() override;

  // The text of row y, trailing spaces removed.
  std::string Line(int y) const;
  // All rows joined with line breaks.
  std::string Text() const;
  Style StyleAt(int y, int x) const;
  // The character drawn in cell (y, x): empty for the right half of a wide character.
  const std::string& CharAt(int y, int x) const;

 private:
  struct Cell {
    std::string text = " ";  // empty: the right half of a wide character
    Style style = Style::kNormal;
  };
  Cell& At(int y, int x) { return cells_[static_cast<size_t>(y * cols_ + x)]; }
  const Cell& At(int y, int x) const { return cells_[static_cast<size_t>(y * cols_ + x)]; }
  void Blank(int y, int x);

  int rows_;
  int cols_;
  std::vector<Cell> cells_;
};

}  // namespace glnamelist::tui

#endif  // GLNAMELIST_TUI_SCREEN_H_
