// An in-memory byte stream implementing the stream contract (the "ADODB.Stream" class).
#ifndef GLNAMELIST_RECORDSET_MEMORY_STREAM_H_
#define GLNAMELIST_RECORDSET_MEMORY_STREAM_H_

#include <string>

#include "contracts/stream.h"

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

 private:
  void RequireOpen() const;

  bool open_ = false;
  std::string bytes_;
  size_t position_ = 0;
};

// A new stream, not yet open.
StreamPtr NewStream();

}  // namespace glnamelist::recordset

#endif  // GLNAMELIST_RECORDSET_MEMORY_STREAM_H_
