// The one error type of the library and of every outside object.
//
// Every failure is raised as a glnamelist::Error carrying a number and a description, in the
// manner of an automation error. Record-set errors use the numbers below; the others are the
// numbers a host of late-bound objects would see.
#ifndef GLNAMELIST_CONTRACTS_ERROR_H_
#define GLNAMELIST_CONTRACTS_ERROR_H_

#include <memory>
#include <stdexcept>
#include <string>

#include "contracts/api.h"

namespace glnamelist {

class GLNAMELIST_API Error : public std::runtime_error {
 public:
  Error(long number, const std::string& description)
      : std::runtime_error(description), number_(number) {}

  long Number() const { return number_; }
  std::string Description() const { return what(); }

 private:
  long number_;
};

// Well-known error numbers.
namespace errc {
inline constexpr long kInvalidProcedureCall = 5;  // bad argument to a call
inline constexpr long kTypeMismatch = 13;         // a value of the wrong kind
inline constexpr long kObjectRequired = 424;      // a member used on Nothing
inline constexpr long kInvalidUseOfNull = 94;     // a null value converted
inline constexpr long kKeyExists = 457;           // keyed collection: key already there
inline constexpr long kCannotCreateObject = 429;  // class registry: no such class
inline constexpr long kWrongArguments = 3001;     // record set: refused filter/sort/position
inline constexpr long kNoCurrentRecord = 3021;    // record set: BOF or EOF
inline constexpr long kItemNotFound = 3265;       // record set: unknown field
inline constexpr long kDataService = 0x80040E00;  // ledger: the data service failed
inline constexpr long kPathFileAccess = 75;       // a file of the program's own cannot be used
}  // namespace errc

// Descriptions that go with the record-set numbers.
inline constexpr const char* kWrongArgumentsText =
    "Arguments are of the wrong type, are out of acceptable range, or are in conflict with "
    "one another.";
inline constexpr const char* kNoCurrentRecordText =
    "Either BOF or EOF is True, or the current record has been deleted. Requested operation "
    "requires a current record.";
inline constexpr const char* kItemNotFoundText =
    "Item cannot be found in the collection corresponding to the requested name or ordinal.";

// The object p points to: using a member of Nothing raises Error 424 ("Object required")
// instead of dereferencing a null pointer.
template <class T>
T& Require(const std::shared_ptr<T>& p) {
  if (!p) throw Error(errc::kObjectRequired, "Object required");
  return *p;
}

}  // namespace glnamelist

#endif  // GLNAMELIST_CONTRACTS_ERROR_H_
