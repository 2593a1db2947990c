// The pictures the voucher form gives the rows of the lists whose kind has none of its own
// among the row pictures (explanations, item classes, items, unit groups, units, SubMes
// entries, settlement types), so that every list shows at a glance what it lists: one
// 16x16 picture per kind, drawn by code, and the glyph that stands for it in a terminal.
#ifndef GLNAMELIST_APPS_VOUCHER_KIND_PICTURES_H_
#define GLNAMELIST_APPS_VOUCHER_KIND_PICTURES_H_

#include <string>

#include "contracts/picture.h"

namespace glnamelist::voucher {

// The picture of list kind `kind`, the same object at every call; nullptr for the kinds
// that keep the list's own (accounts, currencies). Its Key() names it for KindGlyph.
PicturePtr KindPicture(long kind);

// The one-column glyph of a picture of KindPicture by its key; empty for any other key.
std::string KindGlyph(const std::string& key);

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_KIND_PICTURES_H_
