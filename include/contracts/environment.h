// The platform as the component sees it: the class registry, the window functions, the
// clock, the message box and the picture store.
//
// A host installs one Environment at start-up (platform/ has the real one); tests install
// their own. Env() raises Error 429 while none is installed.
#ifndef GLNAMELIST_CONTRACTS_ENVIRONMENT_H_
#define GLNAMELIST_CONTRACTS_ENVIRONMENT_H_

#include <memory>
#include <string>

#include "contracts/api.h"
#include "contracts/error.h"
#include "contracts/object.h"
#include "contracts/picture.h"
#include "contracts/virtual_keys.h"

namespace glnamelist {

inline constexpr long GWL_STYLE = -16;
inline constexpr long ES_READONLY = 0x800;
inline constexpr long vbOKOnly = 0;
inline constexpr long vbInformation = 64;

class GLNAMELIST_API Environment {
 public:
  virtual ~Environment() = default;

  // A new object of the class registered under progId; Error 429 naming the class when
  // none is registered.
  virtual ObjectPtr CreateObject(const std::string& progId) = 0;

  // Window functions. Text is UTF-8; lengths are in bytes.
  virtual long IsWindowEnabled(long hWnd) = 0;
  virtual long GetWindowLongA(long hWnd, long nIndex) = 0;
  virtual long GetWindowTextLengthA(long hWnd) = 0;
  // Copies at most nMaxCount - 1 bytes of the window text (never half a character) over
  // the start of lpString, followed by a NUL byte when it fits; returns the bytes copied.
  virtual long GetWindowTextA(long hWnd, std::string& lpString, long nMaxCount) = 0;

  // Seconds since midnight.
  virtual float Timer() = 0;

  // A modal message box; returns the button pressed (1 = OK).
  virtual long MsgBox(const std::string& Prompt, long Buttons, const std::string& Title) = 0;

  // The picture stored under key; the same object every time for a key. Error 35601
  // ("Element not found") for an unknown key.
  virtual PicturePtr GetPicture(const std::string& key) = 0;
};

// The installed environment.
GLNAMELIST_API Environment& Env();
// The installed environment, shared; nullptr while none is installed.
GLNAMELIST_API std::shared_ptr<Environment> InstalledEnv();
// Installs env (or none, with nullptr); returns the one installed before.
GLNAMELIST_API std::shared_ptr<Environment> SetEnv(std::shared_ptr<Environment> env);

// Creates an object by ProgID and views it through interface T; Error 13 when the class
// does not offer T.
template <class T>
std::shared_ptr<T> CreateObjectAs(const std::string& progId) {
  ObjectPtr o = Env().CreateObject(progId);
  auto t = std::dynamic_pointer_cast<T>(o);
  if (!t) throw Error(errc::kTypeMismatch, "Type mismatch: " + progId);
  return t;
}

}  // namespace glnamelist

#endif  // GLNAMELIST_CONTRACTS_ENVIRONMENT_H_
