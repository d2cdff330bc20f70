// Checking a user's expression without keeping it: the same compile that
// ParseExpression runs for the gate pass, so the editor accepts exactly what
// a gate can evaluate. Host thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TExpressionCheck {
  bool Valid = true;               // a blank text is valid: no expression
  std::string Reason;              // what is wrong, without the expression itself
  int Position = 0;                // 1-based place of the fault in the text; 0 when it has none
  std::vector<int32_t> FieldIds;   // the fields a valid text reads, in order of first use
};

TExpressionCheck CheckExpression(const std::string& expression);
