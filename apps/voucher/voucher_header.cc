#include "apps/voucher/voucher_header.h"

#include <algorithm>
#include <cstdio>

#include "apps/voucher/money.h"
#include "contracts/text.h"

namespace glnamelist::voucher {
namespace {

constexpr const char* kDateHint = "请按 年-月-日 输入，如 2026-12-06";

bool Fail(std::string* why, std::string text) {
  if (why) *why = std::move(text);
  return false;
}

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// typed with its blanks trimmed, full-width marks made ASCII and 年 月 日 made separators.
std::string DateParts(std::string_view typed) {
  std::string text = Narrowed(text::Trim(typed, " \t"));
  for (const char* mark : {"年", "月"}) {
    for (size_t at; (at = text.find(mark)) != std::string::npos;) text.replace(at, 3, "-");
  }
  if (text.size() >= 3 && text.compare(text.size() - 3, 3, "日") == 0) text.resize(text.size() - 3);
  std::replace(text.begin(), text.end(), '/', '-');
  std::replace(text.begin(), text.end(), '.', '-');
  return text;
}

std::string SavedName(const Voucher& v) {
  return v.date.substr(0, 7) + " " + v.word + "字第 " + std::to_string(v.number) + " 号凭证";
}

}  // namespace

const char* HeaderTitle(HeaderField field) {
  static const char* const kTitles[kHeaderFields] = {"日期", "凭证字", "附件"};
  return kTitles[static_cast<int>(field)];
}

const std::vector<std::string>& StandardWords() {
  static const std::vector<std::string> words = {"记", "收", "付", "转"};
  return words;
}

std::optional<std::string> ReadDate(std::string_view typed, std::string* why,
                                    const std::string& base) {
  std::string text = DateParts(typed);
  // The parts not typed are the base's.
  if (IsValidDate(base) &&
      (AllDigits(text) ? text.size() <= 2 : text.find('-') == text.rfind('-'))) {
    text = base.substr(0, AllDigits(text) ? 8 : 5) + text;
  }
  std::string y, m, d;
  if (AllDigits(text) && text.size() == 8) {
    y = text.substr(0, 4), m = text.substr(4, 2), d = text.substr(6, 2);
  } else {
    size_t first = text.find('-'), second = text.find('-', first + 1);
    if (second != std::string::npos && text.find('-', second + 1) == std::string::npos) {
      y = text.substr(0, first), m = text.substr(first + 1, second - first - 1);
      d = text.substr(second + 1);
    }
  }
  std::string shown = std::string(text::Trim(typed, " \t"));
  if (y.size() != 4 || !AllDigits(y) || !AllDigits(m) || !AllDigits(d) || m.size() > 2 ||
      d.size() > 2) {
    Fail(why, "日期“" + shown + "”看不懂，" + kDateHint);
    return std::nullopt;
  }
  char date[16];
  std::snprintf(date, sizeof date, "%s-%02d-%02d", y.c_str(), std::stoi(m), std::stoi(d));
  if (!IsValidDate(date)) {
    Fail(why, "日期“" + shown + "”不是有效日期，" + kDateHint);
    return std::nullopt;
  }
  return date;
}

std::optional<long> ReadAttachments(std::string_view typed, std::string* why) {
  std::string text = Narrowed(text::Trim(typed, " \t"));
  if (text.empty()) return 0;
  if (!AllDigits(text) || text.size() > 4) {
    Fail(why, "附件数“" + std::string(text::Trim(typed, " \t")) + "”不对，请输入 0 到 " +
                  std::to_string(kMaxAttachments) + " 的整数");
    return std::nullopt;
  }
  return std::stol(text);
}

std::string NextWord(const std::string& word, const std::vector<std::string>& words, int step) {
  if (words.empty()) return word;
  auto at = std::find(words.begin(), words.end(), word);
  if (at == words.end()) return words.front();
  auto n = static_cast<long>(words.size());
  return words[static_cast<size_t>(((at - words.begin()) + step % n + n) % n)];
}

std::string WordProblem(const std::string& word, const std::vector<std::string>& words) {
  if (std::find(words.begin(), words.end(), word) != words.end()) return "";
  std::string list;
  for (const std::string& w : words) list += (list.empty() ? "" : "、") + w;
  return "凭证字“" + word + "”不是这个账套的凭证字（" + list + "）";
}

std::string HeaderText(const Voucher& voucher, HeaderField field) {
  switch (field) {
    case HeaderField::kDate:
      return voucher.date;
    case HeaderField::kWord:
      return voucher.word;
    case HeaderField::kAttachments:
      return std::to_string(voucher.attachments);
  }
  return "";
}

bool SetHeader(Voucher& voucher, HeaderField field, std::string_view typed,
               const std::vector<std::string>& words, std::string& why) {
  if (field == HeaderField::kAttachments) {
    std::optional<long> count = ReadAttachments(typed, &why);
    if (count) voucher.attachments = *count;
    return count.has_value();
  }
  if (field == HeaderField::kWord) {
    std::string word = Narrowed(text::Trim(typed, " \t"));
    why = WordProblem(word, words);
    if (why.empty() && voucher.id != 0 && word != voucher.word) {
      why = "已保存的凭证不能改凭证字：这是 " + SavedName(voucher);
    }
    if (why.empty()) voucher.word = word;
    return why.empty();
  }
  std::optional<std::string> date = ReadDate(typed, &why, voucher.date);
  if (date && voucher.id != 0 && date->substr(0, 7) != voucher.date.substr(0, 7)) {
    why = "已保存的凭证不能改到别的月份：这是 " + SavedName(voucher) + "，日期只能是 " +
          voucher.date.substr(0, 7) + " 里的一天";
    return false;
  }
  if (date) voucher.date = *date;
  return date.has_value();
}

}  // namespace glnamelist::voucher
