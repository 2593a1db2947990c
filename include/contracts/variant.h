// A value that crosses an interface untyped: record fields, keyed-collection values, the
// arguments of a formatted message.
//
// A Variant is empty (never assigned), null (a database null), a Boolean, a 32-bit or 64-bit
// integer, a double, a text (UTF-8) or an object reference.
#ifndef GLNAMELIST_CONTRACTS_VARIANT_H_
#define GLNAMELIST_CONTRACTS_VARIANT_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "contracts/api.h"
#include "contracts/error.h"
#include "contracts/object.h"

namespace glnamelist {

struct GLNAMELIST_API Null {
  bool operator==(const Null&) const = default;
};

class GLNAMELIST_API Variant {
 public:
  enum class Type { kEmpty, kNull, kBool, kInt32, kInt64, kDouble, kText, kObject };

  Variant() = default;
  Variant(Null) : value_(Null{}) {}
  Variant(bool b) : value_(b) {}
  Variant(int i) : value_(static_cast<int32_t>(i)) {}
  Variant(short i) : value_(static_cast<int32_t>(i)) {}
  Variant(long i) : value_(static_cast<int64_t>(i)) {}
  Variant(long long i) : value_(static_cast<int64_t>(i)) {}
  Variant(double d) : value_(d) {}
  Variant(const char* s) : value_(std::string(s)) {}
  Variant(std::string s) : value_(std::move(s)) {}
  Variant(std::string_view s) : value_(std::string(s)) {}
  template <class T, class = std::enable_if_t<std::is_base_of_v<Object, T>>>
  Variant(std::shared_ptr<T> o) : value_(std::static_pointer_cast<Object>(std::move(o))) {}

  Type type() const { return static_cast<Type>(value_.index()); }
  bool IsEmpty() const { return type() == Type::kEmpty; }
  bool IsNull() const { return type() == Type::kNull; }
  bool IsObject() const { return type() == Type::kObject; }
  bool IsText() const { return type() == Type::kText; }

  // Conversions in the manner of late-bound code. Each raises Error 94 for null and
  // Error 13 for a value that cannot be converted.
  std::string ToText() const;  // integers in decimal, True/False, doubles shortest form
  int64_t ToLong() const;      // numbers and numeric text
  double ToDouble() const;
  bool ToBool() const;  // non-zero numbers are true; "True"/"False" text
  // The object held; an empty pointer for Nothing (an empty variant or a null object).
  // Raises Error 13 for a non-object value.
  ObjectPtr ToObject() const;

  // The object held, seen through interface T; empty when Nothing. Raises Error 13 when
  // the object does not offer T.
  template <class T>
  std::shared_ptr<T> As() const {
    ObjectPtr o = ToObject();
    if (!o) return nullptr;
    auto t = std::dynamic_pointer_cast<T>(o);
    if (!t) throw Error(errc::kTypeMismatch, "Type mismatch");
    return t;
  }

  // Text of the value, with null and empty shown as the empty text.
  std::string ToDisplayText() const;

  const std::string* text_if() const { return std::get_if<std::string>(&value_); }

  bool operator==(const Variant& other) const = default;

 private:
  std::variant<std::monostate, Null, bool, int32_t, int64_t, double, std::string, ObjectPtr> value_;
};

}  // namespace glnamelist

#endif  // GLNAMELIST_CONTRACTS_VARIANT_H_
