// Gate expressions through the expression-filter server: the first byte picks
// the network, the rest is the text. A parsed expression is evaluated on
// absent values and on a mix of values; a wrong value count must raise.
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "eventmanager/errors.h"
#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/expression_filter.h"
#include "fuzz_support.h"
#include "platform/component_registry.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  CoInitialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::unique_ptr<IExpressionFilter> filter = CoExpressionFilter::Create();
  if (size < 1) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  int32_t reserved = 0;
  const int32_t* ids = nullptr;
  uint8_t count = 0;
  try {
    filter->ParseExpression(data[0] % 5, text, reserved, ids, count);
  } catch (const EEventManagerError&) {
    return 0;
  }
  std::vector<int32_t> values(count, NoValue);
  try {
    filter->EvaluateValues(values);
    for (size_t i = 0; i < values.size(); ++i) values[i] = ids[i] * 7 - 100;
    filter->EvaluateValues(values);
  } catch (const EEventManagerError&) {
    // a run-time fault of the parser, reported as the library's error
  }
  // A blank text holds no expression; anything else checks the value count.
  if (text.find_first_not_of(" \t\r\n") == std::string::npos) return 0;
  values.push_back(0);
  try {
    filter->EvaluateValues(values);
  } catch (const EEventManagerError&) {
    return 0;
  }
  FuzzFail("%zu values for %u fields went unnoticed", values.size(), count);
}
