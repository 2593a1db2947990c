// Services shared by every GLNameList of the process: the one data service, the language
// code, resource strings, message formatting and the string helper.
//
// The data service and the string helper are created on first use through the installed
// Environment and then kept, unchanged, for the life of the process (or until
// ResetLibraryServices, which only tests and hosts that replace their ledger call).
#ifndef GLNAMELIST_SERVICES_LIBRARY_SERVICES_H_
#define GLNAMELIST_SERVICES_LIBRARY_SERVICES_H_

#include <string>
#include <vector>

#include "contracts/api.h"
#include "contracts/data_service.h"
#include "contracts/text_helper.h"
#include "contracts/variant.h"

namespace glnamelist {

// The shared data service, created by "QALTAVGLView.GLData" on first use. A failed creation
// raises its error and is tried again at the next call.
GLNAMELIST_API GLDataPtr GetGLData();

// The user-interface language code: "chs" whatever the key.
GLNAMELIST_API std::string GetLanguage(const std::string& Key);

// The text to show for Text in the user-interface language: Text itself.
GLNAMELIST_API std::string LoadResString(const std::string& Text);

// The template with "%1".. replaced by the arguments' texts, through the shared string helper.
GLNAMELIST_API std::string FormatText(const std::string& Template,
                                      const std::vector<Variant>& Args);

// The shared string helper, created on first use.
GLNAMELIST_API TextHelperPtr SharedTextHelper();

// Forgets the shared data service and string helper, so that the next use creates new ones.
GLNAMELIST_API void ResetLibraryServices();

}  // namespace glnamelist

#endif  // GLNAMELIST_SERVICES_LIBRARY_SERVICES_H_
