#include "recordset/memory_stream.h"

#include <memory>

#include "recordset/filter_parser.h"

namespace glnamelist::recordset {

void MemoryStream::Open() {
  open_ = true;
  saved_.reset();
  bytes_.clear();
  position_ = 0;
}

void MemoryStream::Close() {
  open_ = false;
  saved_.reset();
  bytes_.clear();
}

void MemoryStream::RequireOpen() const {
  if (!open_) RefuseArgument();
  MakeBytes();
}

void MemoryStream::MakeBytes() const {
  if (!saved_) return;
  bytes_ = saved_->bytes();
  position_ = saved_->rewound ? 0 : bytes_.size();
  saved_.reset();
}

void MemoryStream::WriteSaved(TablePtr table, std::function<std::string()> bytes) {
  RequireOpen();
  if (!bytes_.empty()) RefuseArgument();
  saved_ = Saved{std::move(table), nullptr, std::move(bytes)};
}

void MemoryStream::WriteSavedView(RecordsetPtr view, std::function<std::string()> bytes) {
  RequireOpen();
  if (!bytes_.empty()) RefuseArgument();
  saved_ = Saved{nullptr, std::move(view), std::move(bytes)};
}

void MemoryStream::Write(std::string_view bytes) {
  RequireOpen();
  size_t end = position_ + bytes.size();
  if (end > bytes_.size()) bytes_.resize(end);
  bytes_.replace(position_, bytes.size(), bytes);
  position_ = end;
}

std::string MemoryStream::Read(long count) {
  RequireOpen();
  size_t left = bytes_.size() - position_;
  size_t n = count < 0 ? left : std::min(left, static_cast<size_t>(count));
  std::string out = bytes_.substr(position_, n);
  position_ += n;
  return out;
}

long MemoryStream::Position() const {
  RequireOpen();
  return static_cast<long>(position_);
}

void MemoryStream::Position(long NewVal) {
  if (open_ && saved_ && NewVal == 0) {
    saved_->rewound = true;  // the start of the bytes, not made yet
    return;
  }
  RequireOpen();
  if (NewVal < 0 || static_cast<size_t>(NewVal) > bytes_.size()) RefuseArgument();
  position_ = static_cast<size_t>(NewVal);
}

long MemoryStream::Size() const {
  RequireOpen();
  return static_cast<long>(bytes_.size());
}

StreamPtr NewStream() { return std::make_shared<MemoryStream>(); }

}  // namespace glnamelist::recordset
