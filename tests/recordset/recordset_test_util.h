// Helpers shared by the record-set suites.
#ifndef GLNAMELIST_TESTS_RECORDSET_RECORDSET_TEST_UTIL_H_
#define GLNAMELIST_TESTS_RECORDSET_RECORDSET_TEST_UTIL_H_

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "contracts/error.h"
#include "contracts/recordset.h"

namespace glnamelist::recordset::test_util {

// The display text of field `name` of every visible record, in order (from the first).
inline std::vector<std::string> Column(Recordset& rs, const std::string& name) {
  std::vector<std::string> out;
  if (rs.RecordCount() == 0) return out;
  rs.MoveFirst();
  while (!rs.IsEOF()) {
    out.push_back(rs.Fields(name).ToDisplayText());
    rs.MoveNext();
  }
  return out;
}

// The error number f raises, or 0.
inline long ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.Number();
  }
  return 0;
}

}  // namespace glnamelist::recordset::test_util

#endif  // GLNAMELIST_TESTS_RECORDSET_RECORDSET_TEST_UTIL_H_
