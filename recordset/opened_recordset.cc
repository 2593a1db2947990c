#include "recordset/opened_recordset.h"

#include <memory>
#include <utility>

#include "recordset/memory_stream.h"
#include "recordset/table_builder.h"

namespace glnamelist::recordset {
namespace {

// Every member passes to the record set it is now: an empty one of this engine at first,
// and what each Open makes.
class OpenedRecordset final : public Recordset {
 public:
  std::string Filter() const override { return inner_->Filter(); }
  void Filter(const std::string& NewVal) override { inner_->Filter(NewVal); }
  std::string Sort() const override { return inner_->Sort(); }
  void Sort(const std::string& NewVal) override { inner_->Sort(NewVal); }
  long RecordCount() const override { return inner_->RecordCount(); }
  long AbsolutePosition() const override { return inner_->AbsolutePosition(); }
  void AbsolutePosition(long NewVal) override { inner_->AbsolutePosition(NewVal); }
  bool IsBOF() const override { return inner_->IsBOF(); }
  bool IsEOF() const override { return inner_->IsEOF(); }
  void MoveFirst() override { inner_->MoveFirst(); }
  void MoveNext() override { inner_->MoveNext(); }
  Variant Fields(std::string_view Name) const override { return inner_->Fields(Name); }
  RecordsetPtr Clone() override { return inner_->Clone(); }
  void Save(Stream& Destination, long PersistFormat) override {
    inner_->Save(Destination, PersistFormat);
  }

  void Open(Stream& Source, long CursorType, long LockType, long Options) override {
    if (auto* memory = dynamic_cast<MemoryStream*>(&Source)) {
      if (RecordsetPtr view = memory->SavedView()) {
        inner_ = view->Clone();
        return;
      }
    }
    RecordsetPtr opened = NewRecordset();
    opened->Open(Source, CursorType, LockType, Options);
    inner_ = std::move(opened);
  }

 private:
  RecordsetPtr inner_ = NewRecordset();
};

}  // namespace

RecordsetPtr NewOpenedRecordset() { return std::make_shared<OpenedRecordset>(); }

}  // namespace glnamelist::recordset
