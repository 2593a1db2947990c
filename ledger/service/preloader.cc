#include "ledger/service/preloader.h"

#include <chrono>
#include <exception>
#include <memory>
#include <utility>

#include "recordset/table_builder.h"

namespace glnamelist::ledger {

void Preloader::Preload(const std::vector<SetKey>& order, const Read& read) {
  std::vector<std::pair<std::shared_future<RecordsetPtr>, SetKey>> reading;
  for (const SetKey& key : order) {
    std::shared_future<RecordsetPtr>& slot = sets_[static_cast<size_t>(key.kind)];
    if (slot.valid()) continue;
    auto loaded = std::make_shared<std::promise<RecordsetPtr>>();
    slot = loaded->get_future().share();
    reading.emplace_back(slot, key);
    worker_.Post([read, loaded, key] {
      try {
        loaded->set_value(read(key));
      } catch (...) {
        loaded->set_exception(std::current_exception());
      }
    });
  }
  if (reading.empty()) return;
  // A filter needing a structure meanwhile scans the table instead.
  worker_.Post([this, reading = std::move(reading)] {
    for (const auto& [loaded, key] : reading) {
      try {
        recordset::LookupPreparation(*loaded.get(), LookupColumnsOf(key))();
      } catch (...) {
        // Not read: its error is the request's, which then reads it again.
      }
      prepared_[static_cast<size_t>(key.kind)] = true;
    }
  });
}

bool Preloader::Ready(const SetKey& key) const {
  const std::shared_future<RecordsetPtr>& loading = sets_[static_cast<size_t>(key.kind)];
  return !loading.valid() || loading.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

RecordsetPtr Preloader::Take(const SetKey& key) {
  std::shared_future<RecordsetPtr>& loading = sets_[static_cast<size_t>(key.kind)];
  if (!loading.valid()) return nullptr;
  return std::exchange(loading, {}).get();
}

void Preloader::PreloadItems(const RecordsetPtr& item_classes, const Read& read) {
  RecordsetPtr classes = item_classes->Clone();
  for (long i = 0, n = classes->RecordCount(); i < n; ++i) {
    classes->AbsolutePosition(i + 1);
    const long id = static_cast<long>(classes->Fields("FItemID").ToLong());
    // A failure drops the task; the host then reads the class itself.
    worker_.Post([this, read, id] {
      {
        // Taken, or handed over already by the snapshot's writing.
        std::lock_guard lock(items_mutex_);
        if (items_taken_.contains(id) || items_.contains(id)) return;
      }
      RecordsetPtr items = read(SetKey{SetKind::kItems, id});
      std::lock_guard lock(items_mutex_);
      if (!items_taken_.contains(id)) items_.emplace(id, std::move(items));
    });
  }
}

RecordsetPtr Preloader::TakeItems(long item_class) {
  std::lock_guard lock(items_mutex_);
  items_taken_.insert(item_class);
  auto node = items_.extract(item_class);
  return node ? std::move(node.mapped()) : nullptr;
}

void Preloader::Update(long item_class, const RecordsetPtr& rs) {
  std::lock_guard lock(items_mutex_);
  if (items_.contains(item_class)) items_[item_class] = rs;
}

void Preloader::KeepWritten(const SnapshotCache::Written& written, SetVersions& versions) {
  std::lock_guard lock(items_mutex_);
  for (const auto& [key, rs] : written.sets) {
    if (key.kind != SetKind::kItems || items_taken_.contains(key.item_class)) continue;
    RecordsetPtr mapped = written.fresh ? written.fresh->Take(SnapshotName(key)) : nullptr;
    // Read across no change (the stamps agree), unless one came since: then it is newer.
    if (mapped) versions.Replace(key, rs, mapped);
    items_[key.item_class] = versions.Latest(key, mapped ? mapped : rs);
  }
}

}  // namespace glnamelist::ledger
