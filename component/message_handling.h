// Window-message helpers of the component.
#ifndef GLNAMELIST_COMPONENT_MESSAGE_HANDLING_H_
#define GLNAMELIST_COMPONENT_MESSAGE_HANDLING_H_

namespace glnamelist {

// True when the window is enabled and its style lacks ES_READONLY; the style is not read
// for a disabled window.
bool IsWindowEditable(long hWnd);

}  // namespace glnamelist

#endif  // GLNAMELIST_COMPONENT_MESSAGE_HANDLING_H_
