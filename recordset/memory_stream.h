// An in-memory byte stream implementing the stream contract (the "ADODB.Stream" class).
#ifndef GLNAMELIST_RECORDSET_MEMORY_STREAM_H_
#define GLNAMELIST_RECORDSET_MEMORY_STREAM_H_

#include <functional>
#include <optional>
#include <string>

#include "contracts/api.h"
#include "contracts/recordset.h"
#include "contracts/stream.h"
#include "recordset/table_data.h"

namespace glnamelist::recordset {

class MemoryStream final : public Stream {
 public:
  void Open() override;
  void Close() override;
  bool IsOpen() const override { return open_; }
  void Write(std::string_view bytes) override;
  std::string Read(long count) override;
  long Position() const override;
  void Position(long NewVal) override;
  long Size() const override;

  // Writes into an empty stream the saved form of a whole table without making its bytes:
  // the stream keeps the table, and makes the bytes the first time any are read, written or
  // measured. Until then a record set of this engine opens the table itself (SavedTable).
  void WriteSaved(TablePtr table, std::function<std::string()> bytes);
  // The table of WriteSaved while its bytes are not made; nullptr otherwise.
  TablePtr SavedTable() const { return saved_ ? saved_->table : nullptr; }
  // The same for a record set of another kind (one answered by a database, say): the stream
  // keeps it, and a record set the platform makes by name opens as a clone of it
  // (opened_recordset.h) until the bytes are made.
  void WriteSavedView(RecordsetPtr view, std::function<std::string()> bytes);
  RecordsetPtr SavedView() const { return saved_ ? saved_->view : nullptr; }

 private:
  struct Saved {
    TablePtr table;
    RecordsetPtr view;
    std::function<std::string()> bytes;
    bool rewound = false;  // the position is 0, not the end
  };

  void RequireOpen() const;
  // Makes the bytes of a saved table, if that is what the stream holds.
  void MakeBytes() const;

  bool open_ = false;
  mutable std::optional<Saved> saved_;
  mutable std::string bytes_;
  mutable size_t position_ = 0;
};

// A new stream, not yet open.
GLNAMELIST_INTERNAL StreamPtr NewStream();

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_MEMORY_STREAM_H_
