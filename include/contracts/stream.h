// A byte stream ("ADODB.Stream"), used to copy a record set: Save writes into it, Open reads
// from it.
#ifndef GLNAMELIST_CONTRACTS_STREAM_H_
#define GLNAMELIST_CONTRACTS_STREAM_H_

#include <memory>
#include <string>
#include <string_view>

#include "contracts/api.h"
#include "contracts/object.h"

namespace glnamelist {

class GLNAMELIST_API Stream : public Object {
 public:
  // Opens the stream empty. Reading or writing a stream that is not open raises Error 3001.
  virtual void Open() = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // Writes at the position and moves past what was written.
  virtual void Write(std::string_view bytes) = 0;
  // Reads up to count bytes from the position (count < 0: to the end) and moves past them.
  virtual std::string Read(long count) = 0;
  virtual long Position() const = 0;
  // 0 <= NewVal <= Size(), else Error 3001.
  virtual void Position(long NewVal) = 0;
  virtual long Size() const = 0;
};

using StreamPtr = std::shared_ptr<Stream>;

}  // namespace glnamelist

#endif  // GLNAMELIST_CONTRACTS_STREAM_H_
