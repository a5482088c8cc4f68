#pragma once
// Helpers of the support tests: the text of the error an action throws.
#include <gtest/gtest.h>

#include <string>

#include "support/errors.h"

namespace support_test {

// The text of the error of class E that f throws; a test failure when it
// throws none.
template <typename E, typename F>
std::string ThrownText(F f) {
  try {
    f();
  } catch (const E& e) {
    return e.GetText();
  }
  ADD_FAILURE() << "nothing was thrown";
  return "";
}

}  // namespace support_test
