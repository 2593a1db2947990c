#include "contracts/variant.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "contracts/text.h"

namespace glnamelist {
namespace {

[[noreturn]] void Mismatch() { throw Error(errc::kTypeMismatch, "Type mismatch"); }
[[noreturn]] void NullUse() { throw Error(errc::kInvalidUseOfNull, "Invalid use of Null"); }

}  // namespace

std::string Variant::ToText() const {
  switch (type()) {
    case Type::kEmpty:
      return std::string();
    case Type::kNull:
      NullUse();
    case Type::kBool:
      return std::get<bool>(value_) ? "True" : "False";
    case Type::kInt32:
      return std::to_string(std::get<int32_t>(value_));
    case Type::kInt64:
      return std::to_string(std::get<int64_t>(value_));
    case Type::kDouble: {
      char buf[64];
      auto r = std::to_chars(buf, buf + sizeof buf, std::get<double>(value_));
      return std::string(buf, r.ptr);
    }
    case Type::kText:
      return std::get<std::string>(value_);
    case Type::kObject:
      Mismatch();
  }
  Mismatch();
}

int64_t Variant::ToLong() const {
  switch (type()) {
    case Type::kEmpty:
      return 0;
    case Type::kNull:
      NullUse();
    case Type::kBool:
      return std::get<bool>(value_) ? -1 : 0;
    case Type::kInt32:
      return std::get<int32_t>(value_);
    case Type::kInt64:
      return std::get<int64_t>(value_);
    case Type::kDouble:
      return static_cast<int64_t>(std::llround(std::get<double>(value_)));
    case Type::kText: {
      std::string_view s = text::Trim(std::get<std::string>(value_));
      int64_t v = 0;
      auto r = std::from_chars(s.data(), s.data() + s.size(), v);
      if (r.ec != std::errc() || r.ptr != s.data() + s.size() || s.empty()) Mismatch();
      return v;
    }
    case Type::kObject:
      Mismatch();
  }
  Mismatch();
}

double Variant::ToDouble() const {
  switch (type()) {
    case Type::kDouble:
      return std::get<double>(value_);
    case Type::kText: {
      std::string_view s = text::Trim(std::get<std::string>(value_));
      double v = 0;
      auto r = std::from_chars(s.data(), s.data() + s.size(), v);
      if (r.ec != std::errc() || r.ptr != s.data() + s.size() || s.empty()) Mismatch();
      return v;
    }
    default:
      return static_cast<double>(ToLong());
  }
}

bool Variant::ToBool() const {
  switch (type()) {
    case Type::kBool:
      return std::get<bool>(value_);
    case Type::kDouble:
      return std::get<double>(value_) != 0.0;
    case Type::kText: {
      std::string_view s = text::Trim(std::get<std::string>(value_));
      if (s == "True" || s == "true" || s == "TRUE") return true;
      if (s == "False" || s == "false" || s == "FALSE") return false;
      return ToDouble() != 0.0;
    }
    default:
      return ToLong() != 0;
  }
}

ObjectPtr Variant::ToObject() const {
  if (type() == Type::kEmpty) return nullptr;
  if (type() != Type::kObject) Mismatch();
  return std::get<ObjectPtr>(value_);
}

std::string Variant::ToDisplayText() const {
  if (IsNull() || IsEmpty()) return std::string();
  return ToText();
}

}  // namespace glnamelist
