// The expression-filter server: parsing into field identifiers, evaluation,
// and the errors users see for expressions that do not parse. (Its creation
// through the component registry is tested in tests/platform.)
#include <clocale>
#include <locale>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "eventmanager/errors.h"
#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/expression_filter.h"
#include "platform/component_registry.h"

namespace {

struct ComponentRuntime {
  ComponentRuntime() { CoInitialize(); }
  ~ComponentRuntime() { CoUninitialize(); }
};

std::string errorOf(IExpressionFilter& f, const std::string& expression) {
  const int32_t* ids = nullptr;
  uint8_t count = 0;
  int32_t reserved = 0;
  try {
    f.ParseExpression(0, expression, reserved, ids, count);
  } catch (const EEventManagerError& e) {
    return e.what();
  }
  return "";
}

std::vector<int32_t> parse(IExpressionFilter& f, const std::string& expression) {
  const int32_t* ids = nullptr;
  uint8_t count = 0;
  int32_t reserved = 0;
  f.ParseExpression(0, expression, reserved, ids, count);
  return std::vector<int32_t>(ids, ids + count);
}

int32_t id(const char* name) { return FieldIdByName(name); }

}  // namespace

TEST(ExpressionFilter, ParsesFieldsInOrderOfUseAndEvaluatesAsUsersExpect) {
  ComponentRuntime runtime;
  auto filter = CoExpressionFilter::Create();
  struct Case {
    const char* expression;
    std::vector<int32_t> ids;
    std::vector<int32_t> values;
    bool holds;
  };
  const std::vector<Case> cases = {
      {"RxLevSub < -100 and RxQualSub >= 5", {id("RxLevSub"), id("RxQualSub")}, {-101, 5}, true},
      {"RxLevSub < -100 and RxQualSub >= 5", {id("RxLevSub"), id("RxQualSub")}, {-100, 7}, false},
      {"RxQualSub >= 5 AND RxLevSub < -100", {id("RxQualSub"), id("RxLevSub")}, {6, -105}, true},
      {"RSCP < -105 or EcIo < -150", {id("RSCP"), id("EcIo")}, {-90, -160}, true},
      {"RSCP < -105 || EcIo < -150", {id("RSCP"), id("EcIo")}, {-90, -100}, false},
      {"not RxLevSub < -100", {id("RxLevSub")}, {-90}, true},
      {"!(RxLevSub < -100) && TA > 3", {id("RxLevSub"), id("TA")}, {-90, 4}, true},
      {"(RSCP < -100 or RSCP > -50) and not BLER <= 100", {id("RSCP"), id("BLER")}, {-40, 150}, true},
      {"BCCH = 62", {id("BCCH")}, {62}, true},
      {"BCCH == 62", {id("BCCH")}, {61}, false},
      {"BCCH <> 62", {id("BCCH")}, {61}, true},
      {"BCCH != 62", {id("BCCH")}, {62}, false},
      {"rxlevsub < -100 and RXLEVSUB > -110", {id("RxLevSub")}, {-105}, true},  // one field, two spellings
      {"Channel = 283 and CDMA_Channel = 283", {id("CDMA_Channel")}, {283}, true},  // names of one field
      {"C_I / 2 > 4.5", {id("C_I")}, {10}, true},
      {"RxLevSub<-100and TA>1e0", {id("RxLevSub"), id("TA")}, {-101, 2}, true},  // no blanks needed
      {"RxLevSub / 0 > 1", {id("RxLevSub")}, {0}, false},  // 0/0 is NaN: never holds
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    EXPECT_EQ(parse(*filter, c.expression), c.ids);
    EXPECT_EQ(filter->EvaluateValues(c.values), c.holds);
  }
}

TEST(ExpressionFilter, RejectsBadExpressionsNamingTheExpressionAndPosition) {
  ComponentRuntime runtime;
  auto filter = CoExpressionFilter::Create();
  struct Case {
    const char* expression;
    std::vector<std::string> mentions;
  };
  const std::vector<Case> cases = {
      {"RxLevSub <", {"'RxLevSub <'", "position 11"}},
      {"(RxLevSub < -100 and TA > 2", {"'(RxLevSub < -100 and TA > 2'", "position"}},
      {"RxLevSub < -100 and and TA > 2", {"position 21"}},  // the second "and", in the user's text
      {"RxLevel < -100", {"unknown field 'RxLevel'"}},
      {"RxLevSub < -100, TA > 2", {"','", "position 16"}},
      {"RxLevSub << 3", {"position"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    std::string error = errorOf(*filter, c.expression);
    ASSERT_FALSE(error.empty()) << "accepted";
    for (const auto& m : c.mentions) EXPECT_NE(error.find(m), std::string::npos) << error;
    // A rejected expression leaves nothing to evaluate.
    EXPECT_FALSE(filter->EvaluateValues({}));
  }
}

TEST(ExpressionFilter, GuardsItsValueArrayAndIgnoresTheLocale) {
  ComponentRuntime runtime;
  auto filter = CoExpressionFilter::Create();
  parse(*filter, "RxLevSub < -100 and TA > 2");
  const int32_t one[] = {-110};
  EXPECT_THROW(filter->EvaluateValues(one), EEventManagerError);

  // A comma decimal separator in the process locale must not change numbers.
  struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
  };
  std::locale saved_global = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
  parse(*filter, "C_I > 4.5");
  const int32_t four[] = {4};
  EXPECT_FALSE(filter->EvaluateValues(four));
  std::locale::global(saved_global);
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = previous ? previous : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
    parse(*filter, "C_I > 4.5");
    const int32_t five[] = {5};
    EXPECT_TRUE(filter->EvaluateValues(five));
    std::setlocale(LC_NUMERIC, saved.c_str());
  }

  std::string text = "RxLevSub < -100";
  EXPECT_FALSE(filter->EditExpression(nullptr, 0, text));
  EXPECT_EQ(text, "RxLevSub < -100");
  EXPECT_TRUE(parse(*filter, "   ").empty());
}
