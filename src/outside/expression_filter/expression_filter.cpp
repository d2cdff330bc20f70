// The expression-filter server. An expression is compiled into its own
// muparser instance whose variables are slots, one per field; evaluating
// copies the values into the slots and runs the compiled byte code.

#include "eventmanager/outside/expression_filter.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <optional>
#include <string_view>
#include <vector>

#include <fmt/format.h>
#include <muParser.h>

#include "eventmanager/errors.h"
#include "eventmanager/outside/data_access.h"
#include "expression_check.h"
#include "expression_text.h"
#include "simple_expression.h"
#ifdef EVENTMANAGER_WINDOWS
#include "expression_dialog.h"
#endif

namespace {

constexpr int32_t ResultOk = 0;
constexpr int32_t ResultNoInterface = static_cast<int32_t>(0x80004002u);
constexpr int32_t ResultPointer = static_cast<int32_t>(0x80004003u);
constexpr size_t MaxFields = 255;  // the count travels in 8 bits

bool blank(const std::string& text) { return text.find_first_not_of(" \t\r\n") == std::string::npos; }

double logicalNot(double v) { return v == 0 ? 1.0 : 0.0; }

// One compiled expression. Heap-allocated so that the slot addresses handed
// to muparser stay put.
struct TCompiled {
  mu::Parser Parser;
  std::optional<TSimpleExpression> Simple;  // the same expression without muparser, when of the common form
  std::deque<double> Slots;         // Slots[i] holds the value of FieldIds[i]
  std::vector<int32_t> FieldIds;
  std::string UnknownField;         // first name the catalogue does not know
  double Spare = 0;                 // slot for unknown names until the error is raised
};

// muparser asks for every name it does not know; names are fields. Two
// spellings of one field (letter case) share one slot.
double* fieldSlot(const char* name, void* user) {
  auto* c = static_cast<TCompiled*>(user);
  int32_t id = FieldIdByName(name);
  if (id < 0) {
    if (c->UnknownField.empty()) c->UnknownField = name;
    return &c->Spare;
  }
  for (size_t i = 0; i < c->FieldIds.size(); ++i)
    if (c->FieldIds[i] == id) return &c->Slots[i];
  c->FieldIds.push_back(id);
  c->Slots.push_back(0);
  return &c->Slots.back();
}

// A rejected expression: the full message for callers that only show or
// rethrow it, and its parts for the editor, which marks the position.
class EExpressionFault : public EEventManagerError {
 public:
  EExpressionFault(const std::string& expression, std::string reason, int position)
      : EExpressionFault(position > 0 ? fmt::format("Expression '{}': {} at position {}", expression, reason, position)
                                      : fmt::format("Expression '{}': {}", expression, reason),
                         reason, position, 0) {}
  EExpressionFault(const std::string& message, std::string reason, int position, int /*whole message*/)
      : EEventManagerError(message), Reason(std::move(reason)), Position(position) {}
  std::string Reason;
  int Position;  // 1-based; 0 when the fault has no place
};

// muparser's message names its own (rewritten) position; give the user's.
EExpressionFault syntaxError(const std::string& expression, const TRewrittenExpression& rewritten,
                             const mu::Parser::exception_type& e) {
  std::string message = e.GetMsg();
  auto at = message.rfind(" at position ");
  if (at != std::string::npos) message.erase(at);
  int position = rewritten.OriginOf(e.GetPos(), static_cast<int>(expression.size()));
  return EExpressionFault(expression, message, position + 1);
}

// Where a name stands in the user's text: its first occurrence as a whole word.
int namePosition(const std::string& expression, const std::string& name) {
  auto isNameChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
  for (size_t at = expression.find(name); at != std::string::npos; at = expression.find(name, at + 1)) {
    size_t end = at + name.size();
    if ((at == 0 || !isNameChar(expression[at - 1])) && (end == expression.size() || !isNameChar(expression[end])))
      return static_cast<int>(at);
  }
  return 0;
}

// EVENTMANAGER_PLAIN_EXPRESSIONS=1 leaves every expression to muparser, to
// compare the two or to rule the compiled form out when hunting a fault.
bool plainExpressions() {
  const char* plain = std::getenv("EVENTMANAGER_PLAIN_EXPRESSIONS");
  return plain && *plain && std::string_view(plain) != "0";
}

std::unique_ptr<TCompiled> compile(const std::string& expression) {
  auto c = std::make_unique<TCompiled>();
  TRewrittenExpression rewritten = RewriteOperators(expression);
  try {
    // "!" binds less tightly than comparisons, so "not RxLevSub < -100" reads
    // as the negation of the comparison.
    c->Parser.DefineInfixOprt("!", logicalNot, mu::prLOGIC);
    c->Parser.SetVarFactory(fieldSlot, c.get());
    c->Parser.SetExpr(rewritten.Text);
    c->Parser.GetUsedVar();  // compiles the whole text and resolves the names
  } catch (const mu::Parser::exception_type& e) {
    throw syntaxError(expression, rewritten, e);
  }
  if (!c->UnknownField.empty())
    throw EExpressionFault(expression, fmt::format("unknown field '{}'", c->UnknownField),
                           namePosition(expression, c->UnknownField) + 1);
  if (c->FieldIds.size() > MaxFields)
    throw EExpressionFault(expression, fmt::format("uses {} fields, at most {}", c->FieldIds.size(), MaxFields), 0);
  try {
    c->Parser.Eval();  // some faults only show when the byte code first runs
  } catch (const mu::Parser::exception_type& e) {
    throw syntaxError(expression, rewritten, e);
  }
  // A comma would silently keep only the last of several expressions.
  if (c->Parser.GetNumResults() > 1) {
    const int position = TopLevelComma(expression) + 1;
    throw EExpressionFault(fmt::format("Expression '{}': unexpected ',' at position {}; join conditions "
                                       "with 'and' or 'or'",
                                       expression, position),
                           "unexpected ','; join conditions with 'and' or 'or'", position, 0);
  }
  // muparser has accepted the text and numbered its fields; the common form
  // is evaluated without it, on the same value positions.
  if (!plainExpressions()) {
    c->Simple = TSimpleExpression::Compile(rewritten.Text, [&c](std::string_view name) {
      int32_t id = FieldIdByName(name);
      auto at = std::find(c->FieldIds.begin(), c->FieldIds.end(), id);
      return id < 0 || at == c->FieldIds.end() ? -1 : static_cast<int>(at - c->FieldIds.begin());
    });
  }
  return c;
}

}  // namespace

TExpressionCheck CheckExpression(const std::string& expression) {
  TExpressionCheck check;
  if (blank(expression)) return check;
  try {
    check.FieldIds = compile(expression)->FieldIds;
  } catch (const EExpressionFault& e) {
    check.Valid = false;
    check.Reason = e.Reason;
    check.Position = e.Position;
  } catch (const std::exception& e) {
    check.Valid = false;
    check.Reason = e.what();
  }
  return check;
}

namespace {

class TExpressionFilter final : public IExpressionFilter {
 public:
#ifdef EVENTMANAGER_WINDOWS
  bool EditExpression(void* parentWindow, uint8_t netType, std::string& expression) override {
    return RunExpressionDialog(parentWindow, netType, expression, false);
  }
  bool EditLevelExpression(void* parentWindow, uint8_t netType, std::string& expression) override {
    return RunExpressionDialog(parentWindow, netType, expression, true);
  }
#else
  bool EditExpression(void*, uint8_t, std::string&) override {
    return false;  // no dialog in this build: the text is not accepted and stays as it was
  }
  bool EditLevelExpression(void*, uint8_t, std::string&) override { return false; }
#endif

  bool EvaluateValues(std::span<const int32_t> values) override {
    if (!compiled_) return false;
    if (values.size() != fieldCount_)
      throw EEventManagerError(fmt::format("Expression '{}': {} values given for {} fields", expression_,
                                           values.size(), compiled_->FieldIds.size()));
    if (simple_) return simple_->Evaluate(values);
    for (size_t i = 0; i < values.size(); ++i) compiled_->Slots[i] = values[i];
    double result;
    try {
      result = compiled_->Parser.Eval();
    } catch (const mu::Parser::exception_type& e) {
      throw EEventManagerError(fmt::format("Expression '{}': {}", expression_, e.GetMsg()));
    }
    return !std::isnan(result) && result != 0;
  }

  size_t ValueRanges(std::span<TValueRange> ranges) const override {
    return compiled_ && simple_ ? simple_->Ranges(ranges) : 0;
  }

  int32_t ParseExpression(uint8_t, const std::string& expression, int32_t& reserved, const int32_t*& fieldIds,
                          uint8_t& fieldCount) override {
    compiled_.reset();
    simple_.reset();
    fieldCount_ = 0;
    expression_ = expression;
    reserved = 0;
    fieldIds = nullptr;
    fieldCount = 0;
    if (blank(expression)) return 0;
    compiled_ = compile(expression);
    simple_ = std::move(compiled_->Simple);
    fieldCount_ = compiled_->FieldIds.size();
    fieldIds = compiled_->FieldIds.data();
    fieldCount = static_cast<uint8_t>(compiled_->FieldIds.size());
    return fieldCount;
  }

 private:
  // What an evaluation reads comes first, in this object; muparser's state
  // (large) is reached only for expressions not of the common form.
  size_t fieldCount_ = 0;
  std::optional<TSimpleExpression> simple_;
  std::unique_ptr<TCompiled> compiled_;
  std::string expression_;
};

}  // namespace

extern "C" int32_t EmExpressionFilterCreateInstance(const TGuid* iid, void** object) {
  if (!object) return ResultPointer;
  *object = nullptr;
  if (!iid || !(*iid == IID_IExpressionFilter)) return ResultNoInterface;
  *object = static_cast<IExpressionFilter*>(new TExpressionFilter);
  return ResultOk;
}
