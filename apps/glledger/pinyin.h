// Helper codes: the pinyin initials of a name, as typed by users to find an entry quickly
// (库存现金 -> KCXJ, 银行存款 -> YHCK).
#ifndef GLNAMELIST_APPS_GLLEDGER_PINYIN_H_
#define GLNAMELIST_APPS_GLLEDGER_PINYIN_H_

#include <memory>
#include <string>
#include <string_view>

namespace glnamelist::ledger {

// Works out helper codes with ICU's Han-to-Latin transliteration. Each Han character gives
// the upper-cased first letter of its reading; ASCII letters and digits are kept
// (upper-cased); everything else is dropped. A few words whose characters read differently
// than on their own (银行 is yin-hang, not yin-xing) are taken from a small word list first.
// Readings are cached per character, so long runs of names stay fast. Not thread-safe.
class PinyinInitials {
 public:
  PinyinInitials();  // Error when ICU lacks the transliterator
  ~PinyinInitials();
  PinyinInitials(const PinyinInitials&) = delete;
  PinyinInitials& operator=(const PinyinInitials&) = delete;

  // The helper code of a UTF-8 name.
  std::string Of(std::string_view name);

 private:
  struct Impl;  // the ICU transliterator and the cache of initials per character
  std::unique_ptr<Impl> impl_;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_APPS_GLLEDGER_PINYIN_H_
