#include "apps/glledger/pinyin.h"

#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <array>
#include <cctype>
#include <unordered_map>
#include <utility>

#include "contracts/error.h"
#include "contracts/text.h"

namespace glnamelist::ledger {
namespace {

// Words of accounting and place names whose characters have another reading when they
// stand alone; the transliterator reads character by character.
constexpr std::array<std::pair<std::string_view, std::string_view>, 21> kWordInitials = {{
    {"银行", "YH"}, {"分行", "FH"}, {"支行", "ZH"}, {"总行", "ZH"}, {"商行", "SH"}, {"行业", "HY"},
    {"会计", "KJ"}, {"长期", "CQ"}, {"长江", "CJ"}, {"长沙", "CS"}, {"长春", "CC"}, {"差旅", "CL"},
    {"调整", "TZ"}, {"还款", "HK"}, {"厦门", "XM"}, {"重庆", "CQ"}, {"汇率", "HL"}, {"税率", "SL"},
    {"利率", "LL"}, {"热轧", "RZ"}, {"冷轧", "LZ"},
}};

}  // namespace

struct PinyinInitials::Impl {
  char InitialOf(char32_t han);

  std::unique_ptr<icu::Transliterator> to_latin;
  std::unordered_map<char32_t, char> cache;
};

PinyinInitials::PinyinInitials() : impl_(std::make_unique<Impl>()) {
  UErrorCode status = U_ZERO_ERROR;
  impl_->to_latin.reset(
      icu::Transliterator::createInstance("Han-Latin; Latin-ASCII", UTRANS_FORWARD, status));
  if (U_FAILURE(status) || !impl_->to_latin) {
    throw Error(errc::kDataService,
                std::string("Cannot make helper codes: no Han-Latin transliterator (") +
                    u_errorName(status) + ")");
  }
}

PinyinInitials::~PinyinInitials() = default;

std::string PinyinInitials::Of(std::string_view name) {
  std::string code;
  int32_t i = 0;
  const auto length = static_cast<int32_t>(name.size());
  while (i < length) {
    bool matched_word = false;
    // Every word starts with a Han character, so none starts at an ASCII byte.
    const bool may_start_word = static_cast<unsigned char>(name[static_cast<size_t>(i)]) >= 0x80;
    for (size_t w = 0; may_start_word && w < kWordInitials.size(); ++w) {
      const auto& [word, initials] = kWordInitials[w];
      if (name.compare(static_cast<size_t>(i), word.size(), word) == 0) {
        code += initials;
        i += static_cast<int32_t>(word.size());
        matched_word = true;
        break;
      }
    }
    if (matched_word) continue;
    text::Decoded d = text::DecodeAt(name, static_cast<size_t>(i));
    i += static_cast<int32_t>(d.length);
    if (!d.valid) continue;  // a malformed byte: skipped
    auto c = static_cast<UChar32>(d.code);
    if (c < 0x80) {
      if (std::isalnum(c)) code += static_cast<char>(std::toupper(c));
    } else if (u_hasBinaryProperty(c, UCHAR_IDEOGRAPHIC)) {
      if (char initial = impl_->InitialOf(static_cast<char32_t>(c))) code += initial;
    }
  }
  return code;
}

char PinyinInitials::Impl::InitialOf(char32_t han) {
  auto found = cache.find(han);
  if (found != cache.end()) return found->second;
  icu::UnicodeString text(static_cast<UChar32>(han));
  to_latin->transliterate(text);
  char initial = 0;
  if (text.length() > 0) {
    UChar first = text.charAt(0);
    if (first < 0x80 && std::isalpha(first)) initial = static_cast<char>(std::toupper(first));
  }
  cache.emplace(han, initial);
  return initial;
}

}  // namespace glnamelist::ledger
