// The compiled form of common gate expressions against muparser: generated
// expressions must all take the compiled form and decide every value vector
// as muparser does; other forms must stay with muparser.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "eventmanager/errors.h"
#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/expression_filter.h"
#include "expression_text.h"
#include "platform/component_registry.h"
#include "simple_expression.h"
#include "testing/expression_generator.h"

namespace {

struct ComponentRuntime {
  ComponentRuntime() { CoInitialize(); }
  ~ComponentRuntime() { CoUninitialize(); }
};

struct Parsed {
  std::unique_ptr<IExpressionFilter> filter;
  std::vector<int32_t> ids;
};

// A server object that parsed `expression`, with muparser only when `plain`.
Parsed parse(const std::string& expression, bool plain) {
  if (plain) setenv("EVENTMANAGER_PLAIN_EXPRESSIONS", "1", 1);
  Parsed p{CoExpressionFilter::Create(), {}};
  const int32_t* ids = nullptr;
  uint8_t count = 0;
  int32_t reserved = 0;
  try {
    p.filter->ParseExpression(0, expression, reserved, ids, count);
  } catch (...) {
    unsetenv("EVENTMANAGER_PLAIN_EXPRESSIONS");
    throw;
  }
  unsetenv("EVENTMANAGER_PLAIN_EXPRESSIONS");
  p.ids.assign(ids, ids + count);
  return p;
}

// Compiled as the server compiles it: the user's text rewritten, each field
// at the position the server numbered it.
std::optional<TSimpleExpression> compiled(const std::string& expression, const std::vector<int32_t>& ids) {
  return TSimpleExpression::Compile(RewriteOperators(expression).Text, [&](std::string_view name) {
    int32_t id = FieldIdByName(name);
    for (size_t i = 0; i < ids.size(); ++i)
      if (id >= 0 && ids[i] == id) return static_cast<int>(i);
    return -1;
  });
}

}  // namespace

TEST(CompiledExpressions, DecideAsMuparserOnGeneratedExpressions) {
  ComponentRuntime runtime;
  ExpressionGenerator generate(20261207);
  int accepted = 0, rejected = 0;
  for (int n = 0; n < 3000; ++n) {
    std::string expression = generate.Next();
    SCOPED_TRACE(expression);
    Parsed plain;
    try {
      plain = parse(expression, true);
    } catch (const EEventManagerError&) {
      // Two prefix operators in a row ("not -3 < TA") are muparser syntax errors.
      ++rejected;
      EXPECT_THROW(parse(expression, false), EEventManagerError);
      continue;
    }
    ++accepted;
    Parsed fast = parse(expression, false);
    ASSERT_EQ(fast.ids, plain.ids);
    auto simple = compiled(expression, plain.ids);
    ASSERT_TRUE(simple.has_value()) << "not taken for the common form";
    for (int k = 0; k < 20; ++k) {
      std::vector<int32_t> values = generate.Values(plain.ids.size());
      bool expected = plain.filter->EvaluateValues(values);
      ASSERT_EQ(simple->Evaluate(values), expected);
      ASSERT_EQ(fast.filter->EvaluateValues(values), expected);
    }
  }
  EXPECT_GT(accepted, 9 * rejected);
}

TEST(CompiledExpressions, LeaveOtherFormsToMuparser) {
  ComponentRuntime runtime;
  struct Case {
    const char* expression;
    std::vector<int32_t> values;
    bool holds;
  };
  const std::vector<Case> cases = {
      {"C_I / 2 > 4.5", {10}, true},                    // arithmetic
      {"RxLevSub < TA", {-100, 3}, true},               // two fields
      {"abs(RxLevSub) > 100", {-101}, true},            // a function
      {"RxLevSub < _pi", {3}, true},                    // a muparser constant
      {"-RxLevSub > 100", {-101}, true},                // a sign on a field
      {"RxLevSub", {1}, true},                          // a field as a truth value
      {"(RxLevSub < -100) == 1", {-101}, true},         // a comparison compared
      {"1 < 2 and TA > 3", {4}, true},                  // two constants
      {"TA > 3 ? 1 : 0", {4}, true},                    // a conditional
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    Parsed p = parse(c.expression, false);
    EXPECT_FALSE(compiled(c.expression, p.ids).has_value());
    EXPECT_EQ(p.filter->EvaluateValues(c.values), c.holds);
  }
}

// What the server exports for callers that decide many gates on shared
// values: the ranges of a conjunction, which must decide every value vector
// as muparser does, and nothing for any other form (nor for a server that
// leaves everything to muparser).
TEST(CompiledExpressions, ExportedRangesDecideAsMuparser) {
  ComponentRuntime runtime;
  ExpressionGenerator generate(20261208);
  int conjunctions = 0, others = 0;
  for (int n = 0; n < 4000; ++n) {
    // Half of them a plain conjunction of comparisons, the commonest gate.
    std::string expression;
    generate.Constants.clear();
    if (n % 2 == 0) {
      const int terms = 1 + generate.Pick(5);
      static const char* joins[] = {" and ", " && ", " AND ", "&&"};
      for (int k = 0; k < terms; ++k) expression += (k ? joins[generate.Pick(4)] : "") + generate.Compare();
    } else {
      expression = generate.Next();
    }
    SCOPED_TRACE(expression);
    Parsed plain, fast;
    try {
      plain = parse(expression, true);
      fast = parse(expression, false);
    } catch (const EEventManagerError&) {
      continue;
    }
    std::array<TValueRange, 8> ranges;
    EXPECT_EQ(plain.filter->ValueRanges(ranges), 0u) << "muparser alone exports nothing";
    const size_t count = fast.filter->ValueRanges(ranges);
    const bool onlyAnd = expression.find_first_of("|!") == std::string::npos &&
                         expression.find("or") == std::string::npos && expression.find("Or") == std::string::npos &&
                         expression.find("not") == std::string::npos && expression.find("NOT") == std::string::npos &&
                         expression.find('(') == std::string::npos && expression.find("<>") == std::string::npos;
    if (count == 0) {
      ++others;
      // Up to four comparisons joined by 'and' alone always have ranges ("<="
      // counts twice here, so longer ones may pass unchecked).
      const size_t compares = static_cast<size_t>(std::count(expression.begin(), expression.end(), '<') +
                                                  std::count(expression.begin(), expression.end(), '>') +
                                                  std::count(expression.begin(), expression.end(), '='));
      EXPECT_FALSE(onlyAnd && compares <= 4) << "a short conjunction exported no ranges";
      continue;
    }
    ++conjunctions;
    EXPECT_TRUE(expression.find_first_of("|") == std::string::npos) << "an 'or' exported as ranges";
    for (size_t k = 0; k < count; ++k) ASSERT_LT(ranges[k].Field, plain.ids.size());
    for (int k = 0; k < 30; ++k) {
      std::vector<int32_t> values = generate.Values(plain.ids.size());
      bool holds = true;
      for (size_t r = 0; r < count; ++r) {
        const int64_t v = values[ranges[r].Field];
        const bool in = static_cast<uint64_t>(v - ranges[r].Low) <= ranges[r].Span;
        holds = holds && in != ranges[r].Outside;
      }
      ASSERT_EQ(holds, plain.filter->EvaluateValues(values));
    }
  }
  EXPECT_GT(conjunctions, 1000);
  EXPECT_GT(others, 500);
}
