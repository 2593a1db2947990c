// The virtual-key code of a Qt key, as a box's WM_KEYDOWN carries it.
#ifndef GLNAMELIST_QT_KEY_CODES_H_
#define GLNAMELIST_QT_KEY_CODES_H_

#include <Qt>

namespace glnamelist::qt {

// The virtual-key code of key: letters and digits by their capital ASCII code, the keypad's
// digits and operators by their own codes, function keys from F1 = 0x70, the editing, moving
// and modifier keys and the punctuation of a US keyboard by theirs. Shift and the other
// modifiers change nothing (Shift+F8 is F8, Shift+Tab is Tab). 0 for a key without a code
// (a shifted digit, a key of another layout): such a key only types its text.
long VirtualKey(int key, Qt::KeyboardModifiers modifiers);

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_QT_KEY_CODES_H_
