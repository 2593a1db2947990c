// Where the voucher form keeps the vouchers it saves, as the form sees it: a voucher saved
// gets its number, one saved before is opened again by its word, month and number.
#ifndef GLNAMELIST_APPS_VOUCHER_VOUCHER_KEEPER_H_
#define GLNAMELIST_APPS_VOUCHER_VOUCHER_KEEPER_H_

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "apps/voucher/voucher.h"
#include "apps/voucher/voucher_header.h"
#include "apps/voucher/voucher_store.h"

namespace glnamelist::voucher {

class VoucherKeeper {
 public:
  virtual ~VoucherKeeper() = default;
  // Saves voucher: a new one (id 0) under the next number of its word and month, a saved one
  // over the version it was read at. On success voucher holds its id, number and version.
  // An error (glnamelist::Error or one of the ledger) when it is not saved, saying why (its
  // content, someone else's change, a fault of the ledger); then nothing is written.
  virtual void Save(Voucher& voucher) = 0;
  // Called from any thread while Save runs on another: while stop is set, the save ends its
  // waits for the ledger at once (VoucherStore::Stop) and the keeper's calls fail at once
  // until Stop(false).
  virtual void Stop(bool stop) { (void)stop; }
  // The saved voucher of word, month (YYYY-MM) and number; nullopt when there is none.
  virtual std::optional<Voucher> Open(const std::string& word, const std::string& month,
                                      long number) = 0;
  // The voucher words a voucher may have.
  virtual std::vector<std::string> Words() { return StandardWords(); }
  // The rate of a currency for a voucher of date (VoucherStore::Rate); nullopt for none.
  virtual std::optional<std::string> Rate(const std::string& currency, const std::string& date) {
    (void)currency, (void)date;
    return std::nullopt;
  }
  // What the account of a code is kept by (VoucherStore::Kept); nothing for none.
  virtual KeptBy Kept(const std::string& account) {
    (void)account;
    return {};
  }
  // Who the vouchers saved are prepared by (VoucherStore::Preparer).
  virtual std::string Preparer() { return ""; }
  // Whether the voucher of uid is stored (VoucherStore::Stored).
  virtual bool Stored(const std::string& uid) {
    (void)uid;
    return false;
  }
  // What the form says once as it starts about how the ledger is kept; empty for nothing.
  virtual std::string Notice() { return ""; }
  // The vouchers of a month, voiding, deleting the last of a word, and templates, as
  // VoucherStore has them; a keeper that cannot says so by an error.
  virtual std::vector<VoucherSummary> List(const VoucherFilter&) { throw Cannot(); }
  virtual void Void(Voucher&) { throw Cannot(); }
  virtual void Delete(const Voucher&) { throw Cannot(); }
  virtual void SaveTemplate(const std::string&, const Voucher&) { throw Cannot(); }
  virtual std::vector<std::string> Templates() { return {}; }
  virtual std::optional<Voucher> FromTemplate(const std::string&) { return std::nullopt; }

 private:
  static Error Cannot() { return Error(errc::kInvalidProcedureCall, "这个账套不能保存凭证"); }
};

// The vouchers of the ledger at location, in its voucher store (opened at the first save or
// opening, so that a ledger's fault then is told as any other and tried again next time).
class LedgerKeeper : public VoucherKeeper {
 public:
  explicit LedgerKeeper(std::string location) : location_(std::move(location)) {}
  void Save(Voucher& voucher) override { Store().Save(voucher); }
  void Stop(bool stop) override {
    std::lock_guard lock(stop_mutex_);
    stopped_ = stop;
    if (store_) store_->Stop(stop);
  }
  std::optional<Voucher> Open(const std::string& word, const std::string& month,
                              long number) override {
    return Store().Open(word, month, number);
  }
  std::vector<std::string> Words() override { return Store().Words(); }
  std::vector<VoucherSummary> List(const VoucherFilter& filter) override {
    return Store().List(filter);
  }
  void Void(Voucher& voucher) override { Store().Void(voucher); }
  void Delete(const Voucher& voucher) override { Store().Delete(voucher); }
  void SaveTemplate(const std::string& name, const Voucher& voucher) override {
    Store().SaveTemplate(name, voucher);
  }
  std::vector<std::string> Templates() override { return Store().Templates(); }
  std::optional<Voucher> FromTemplate(const std::string& name) override {
    return Store().FromTemplate(name);
  }
  std::optional<std::string> Rate(const std::string& currency, const std::string& date) override {
    return Store().Rate(currency, date);
  }
  KeptBy Kept(const std::string& account) override { return Store().Kept(account); }
  std::string Preparer() override { return Store().Preparer(); }
  bool Stored(const std::string& uid) override { return Store().Stored(uid); }
  // A file that cannot keep a write-ahead log (a network share): it is kept as before, and
  // another program's write may wait while forms read it.
  std::string Notice() override {
    try {
      const std::string mode = Store().UseWriteAheadLog();
      if (mode.empty() || mode == "wal") return "";
      return "账套文件所在的位置不能用预写日志（WAL），仍用 " + mode +
             " 日志：别的程序写账套时可能要等";
    } catch (const std::exception&) {
      return "";  // a fault of the ledger is told at the first save
    }
  }

 private:
  // Made on the thread that saves; a Stop meanwhile reaches it once it is there.
  VoucherStore& Store() {
    if (store_) return *store_;
    auto store = std::make_unique<VoucherStore>(location_);
    std::lock_guard lock(stop_mutex_);
    store->Stop(stopped_);
    store_ = std::move(store);
    return *store_;
  }
  std::string location_;
  std::mutex stop_mutex_;  // store_ made, and stopped_
  bool stopped_ = false;
  std::unique_ptr<VoucherStore> store_;
};

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_VOUCHER_KEEPER_H_
