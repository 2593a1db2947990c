// Where a voucher form's tests keep the vouchers they save: in memory, numbered per voucher
// word and month from 1, each save a new version; a refusal set beforehand is thrown by the
// next save instead (someone else's change), and nothing is kept then.
#ifndef GLNAMELIST_TESTS_FAKES_FAKE_VOUCHER_KEEPER_H_
#define GLNAMELIST_TESTS_FAKES_FAKE_VOUCHER_KEEPER_H_

#include <map>
#include <optional>
#include <string>
#include <utility>

#include "apps/voucher/voucher_keeper.h"

namespace glnamelist::fakes {

class FakeVoucherKeeper : public voucher::VoucherKeeper {
 public:
  void Save(voucher::Voucher& v) override {
    if (refusal) throw *std::exchange(refusal, std::nullopt);
    if (v.id == 0) {
      v.id = static_cast<long>(saved.size()) + 1;
      v.number = ++last_number[v.word + v.date.substr(0, 7)];
    }
    ++v.version;
    saved[v.id] = v;
  }
  std::optional<voucher::Voucher> Open(const std::string& word, const std::string& month,
                                       long number) override {
    for (const auto& [id, v] : saved) {
      if (v.word == word && v.date.substr(0, 7) == month && v.number == number) return v;
    }
    return std::nullopt;
  }

  std::map<long, voucher::Voucher> saved;  // by id
  std::optional<voucher::VoucherRefused> refusal;

 private:
  std::map<std::string, long> last_number;
};

}  // namespace glnamelist::fakes

#endif  // GLNAMELIST_TESTS_FAKES_FAKE_VOUCHER_KEEPER_H_
