// Where the parts of the voucher-entry form go on a screen of a given size, and how a box
// shows a text longer than itself.
#ifndef GLNAMELIST_APPS_VOUCHER_TUI_FORM_LAYOUT_H_
#define GLNAMELIST_APPS_VOUCHER_TUI_FORM_LAYOUT_H_

#include <cstddef>
#include <string>

#include "tui/screen.h"

namespace glnamelist::tui {

inline constexpr int kMinFormCols = 60;
inline constexpr int kLabelWidth = 12;
inline constexpr int kMaxBoxWidth = 40;

struct FormLayout {
  bool fits = false;  // false: the screen is too small for the form
  int title_row = 0;
  int first_field_row = 2;
  int spacing = 1;  // rows from one box to the next
  int label_x = 1;
  int box_x = 0;
  int box_width = 0;
  int help_row = 0;  // two help lines from here
  int status_row = 0;

  // The text area of box i (one row; brackets drawn just outside it).
  Rect Box(size_t i) const;
};

// The smallest number of rows that holds a form of fields boxes.
int MinFormRows(size_t fields);
FormLayout LayOutForm(int rows, int cols, size_t fields);
// The line shown instead of the form on a screen too small for it.
std::string TooSmallMessage(int rows, int cols, size_t fields);

// The part of text a box width columns wide shows with the caret (a count of characters)
// in view, and the caret's column inside the box.
struct BoxView {
  std::string text;
  int caret_x = 0;
};
BoxView ViewOfBox(const std::string& text, long caret, int width);

}  // namespace glnamelist::tui

#endif  // GLNAMELIST_APPS_VOUCHER_TUI_FORM_LAYOUT_H_
