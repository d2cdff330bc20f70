#include "simple_expression.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace {

enum class TKind { Name, Number, Compare, And, Or, Not, Open, Close, Plus, Minus, End, Bad };

struct TToken {
  TKind Kind;
  std::string_view Text;
};

bool nameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool digit(char c) { return c >= '0' && c <= '9'; }
bool nameChar(char c) { return nameStart(c) || digit(c); }

// Splits muparser-syntax text into the tokens of the common form; anything
// else becomes Bad, which makes the compiler give up.
class TTokens {
 public:
  explicit TTokens(std::string_view text) : text_(text) { advance(); }
  const TToken& Peek() const { return current_; }
  TToken Take() {
    TToken t = current_;
    advance();
    return t;
  }

 private:
  std::string_view text_;
  size_t at_ = 0;
  TToken current_{TKind::End, {}};

  TToken make(TKind kind, size_t length) {
    TToken t{kind, text_.substr(at_, length)};
    at_ += length;
    return t;
  }

  // A decimal number as muparser reads it: digits, an optional fraction and
  // an optional exponent. A letter or point right after it is not ours.
  TToken number() {
    size_t end = at_;
    size_t digits = 0;
    while (end < text_.size() && digit(text_[end])) ++end, ++digits;
    if (end < text_.size() && text_[end] == '.') {
      ++end;
      while (end < text_.size() && digit(text_[end])) ++end, ++digits;
    }
    if (digits == 0) return make(TKind::Bad, 1);
    if (end < text_.size() && (text_[end] == 'e' || text_[end] == 'E')) {
      size_t exponent = end + 1;
      if (exponent < text_.size() && (text_[exponent] == '+' || text_[exponent] == '-')) ++exponent;
      if (exponent >= text_.size() || !digit(text_[exponent])) return make(TKind::Bad, 1);
      end = exponent;
      while (end < text_.size() && digit(text_[end])) ++end;
    }
    if (end < text_.size() && (nameChar(text_[end]) || text_[end] == '.')) return make(TKind::Bad, 1);
    return make(TKind::Number, end - at_);
  }

  void advance() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t')) ++at_;
    if (at_ >= text_.size()) {
      current_ = {TKind::End, {}};
      return;
    }
    char c = text_[at_];
    char next = at_ + 1 < text_.size() ? text_[at_ + 1] : '\0';
    if (nameStart(c)) {
      size_t end = at_;
      while (end < text_.size() && nameChar(text_[end])) ++end;
      current_ = make(TKind::Name, end - at_);
    } else if (digit(c) || c == '.') {
      current_ = number();
    } else if ((c == '<' || c == '>') && next == '=') {
      current_ = make(TKind::Compare, 2);
    } else if (c == '<' || c == '>') {
      current_ = make(TKind::Compare, 1);
    } else if ((c == '=' || c == '!') && next == '=') {
      current_ = make(TKind::Compare, 2);
    } else if (c == '&' && next == '&') {
      current_ = make(TKind::And, 2);
    } else if (c == '|' && next == '|') {
      current_ = make(TKind::Or, 2);
    } else if (c == '!') {
      current_ = make(TKind::Not, 1);
    } else if (c == '(') {
      current_ = make(TKind::Open, 1);
    } else if (c == ')') {
      current_ = make(TKind::Close, 1);
    } else if (c == '+') {
      current_ = make(TKind::Plus, 1);
    } else if (c == '-') {
      current_ = make(TKind::Minus, 1);
    } else {
      current_ = make(TKind::Bad, 1);
    }
  }
};

}  // namespace

// Recursive descent over the common form; emits postfix steps.
//   or := and { "||" and }      and := unary { "&&" unary }
//   unary := "!" unary | "(" or ")" | comparison
//   comparison := operand compare operand, one a field, the other a constant
//   operand := name | ["+" | "-"] number
// "!" binds what follows up to the next && or ||, exactly a comparison or a
// group here, as muparser's logical-not precedence (below comparisons, above
// && and ||) makes it.
class TSimpleCompiler {
 public:
  TSimpleCompiler(std::string_view text, const TSimpleExpression::TSlotOf& slotOf) : tokens_(text), slotOf_(slotOf) {}

  bool Run() { return parseOr() && tokens_.Peek().Kind == TKind::End && depth_ == 1; }
  std::vector<TSimpleExpression::TStep> Program;

 private:
  using TOp = TSimpleExpression::TOp;
  TTokens tokens_;
  const TSimpleExpression::TSlotOf& slotOf_;
  int depth_ = 0, maxDepth_ = 0, nesting_ = 0;

  bool push(TSimpleExpression::TStep step, int effect) {
    Program.push_back(step);
    depth_ += effect;
    if (depth_ > maxDepth_) maxDepth_ = depth_;
    return maxDepth_ <= TSimpleExpression::MaxDepth;
  }

  bool parseOr() {
    if (!parseAnd()) return false;
    while (tokens_.Peek().Kind == TKind::Or) {
      tokens_.Take();
      if (!parseAnd() || !push({TOp::Or, 0, 0}, -1)) return false;
    }
    return true;
  }

  bool parseAnd() {
    if (!parseUnary()) return false;
    while (tokens_.Peek().Kind == TKind::And) {
      tokens_.Take();
      if (!parseUnary() || !push({TOp::And, 0, 0}, -1)) return false;
    }
    return true;
  }

  bool parseUnary() {
    const TKind kind = tokens_.Peek().Kind;
    if (kind == TKind::Not) {
      tokens_.Take();
      return parseUnary() && push({TOp::Not, 0, 0}, 0);
    }
    if (kind == TKind::Open) {
      if (++nesting_ > TSimpleExpression::MaxDepth) return false;
      tokens_.Take();
      if (!parseOr() || tokens_.Take().Kind != TKind::Close) return false;
      --nesting_;
      return true;
    }
    return parseComparison();
  }

  // A field's slot (>= 0), or a constant in `value` (slot -1); false when neither.
  bool parseOperand(int& slot, double& value) {
    TToken t = tokens_.Take();
    if (t.Kind == TKind::Name) {
      slot = slotOf_(t.Text);
      return slot >= 0 && slot <= UINT16_MAX;
    }
    bool negative = false;
    if (t.Kind == TKind::Plus || t.Kind == TKind::Minus) {
      negative = t.Kind == TKind::Minus;
      t = tokens_.Take();
    }
    if (t.Kind != TKind::Number) return false;
    // Correctly rounded and locale-independent, as muparser's reader is.
    auto [end, error] = std::from_chars(t.Text.data(), t.Text.data() + t.Text.size(), value);
    if (error != std::errc() || end != t.Text.data() + t.Text.size() || !std::isfinite(value)) return false;
    if (negative) value = -value;
    slot = -1;
    return true;
  }

  static bool compareOp(std::string_view text, TOp& op) {
    if (text == "<") op = TOp::Less;
    else if (text == "<=") op = TOp::LessEqual;
    else if (text == ">") op = TOp::Greater;
    else if (text == ">=") op = TOp::GreaterEqual;
    else if (text == "==") op = TOp::Equal;
    else if (text == "!=") op = TOp::NotEqual;
    else return false;
    return true;
  }

  // "constant op field" is "field op' constant" with the sides swapped.
  static TOp mirrored(TOp op) {
    switch (op) {
      case TOp::Less: return TOp::Greater;
      case TOp::LessEqual: return TOp::GreaterEqual;
      case TOp::Greater: return TOp::Less;
      case TOp::GreaterEqual: return TOp::LessEqual;
      default: return op;
    }
  }

  bool parseComparison() {
    int leftSlot = -1, rightSlot = -1;
    double leftValue = 0, rightValue = 0;
    TOp op;
    if (!parseOperand(leftSlot, leftValue)) return false;
    TToken compare = tokens_.Take();
    if (compare.Kind != TKind::Compare || !compareOp(compare.Text, op)) return false;
    if (!parseOperand(rightSlot, rightValue)) return false;
    if ((leftSlot >= 0) == (rightSlot >= 0)) return false;  // field with field, or two constants
    if (leftSlot >= 0) return push({op, static_cast<uint16_t>(leftSlot), rightValue}, 1);
    return push({mirrored(op), static_cast<uint16_t>(rightSlot), leftValue}, 1);
  }
};

std::optional<TSimpleExpression> TSimpleExpression::Compile(std::string_view text, const TSlotOf& slotOf) {
  TSimpleCompiler compiler(text, slotOf);
  if (!compiler.Run()) return std::nullopt;
  TSimpleExpression e;
  e.count_ = static_cast<uint32_t>(compiler.Program.size());
  if (e.count_ <= InlineSteps)
    std::copy(compiler.Program.begin(), compiler.Program.end(), e.inline_);
  else
    e.more_ = std::move(compiler.Program);
  e.makeRanges();
  return e;
}

void TSimpleExpression::makeRanges() {
  rangeCount_ = 0;
  const TStep* program = steps();
  uint32_t comparisons = 0, ands = 0;
  for (uint32_t i = 0; i < count_; ++i) {
    if (program[i].Op == TOp::And)
      ++ands;
    else if (program[i].Op == TOp::Not || program[i].Op == TOp::Or)
      return;
    else
      ++comparisons;
  }
  // Postfix of comparisons and && only is the conjunction of them all.
  if (comparisons == 0 || comparisons > MaxRanges || ands + 1 != comparisons) return;
  // Bounds beyond any int32 by one, so every range stays within int64.
  constexpr double Below = -2147483649.0, Above = 2147483648.0;
  uint32_t n = 0;
  for (uint32_t i = 0; i < count_; ++i) {
    const TStep& s = program[i];
    if (s.Op == TOp::And) continue;
    const double c = s.Constant;
    if (!std::isfinite(c)) return;
    double low = Below, high = Above;
    bool outside = false;
    switch (s.Op) {
      case TOp::Less: high = std::ceil(c) - 1; break;
      case TOp::LessEqual: high = std::floor(c); break;
      case TOp::Greater: low = std::floor(c) + 1; break;
      case TOp::GreaterEqual: low = std::ceil(c); break;
      case TOp::NotEqual: outside = true; [[fallthrough]];
      case TOp::Equal:
        if (std::floor(c) == c) {
          low = high = c;
        } else {  // no integer is equal: an empty range
          low = 1;
          high = 0;
        }
        break;
      default: return;
    }
    low = std::clamp(low, Below, Above);
    high = std::clamp(high, Below, Above);
    TRange& r = ranges_[n++];
    r.Slot = s.Slot;
    r.Outside = outside;
    if (low > high) {  // no integer lies in it: a one-value range beyond every int32
      r.Low = static_cast<int64_t>(Above) + 1;
      r.Span = 0;
    } else {
      r.Low = static_cast<int64_t>(low);
      r.Span = static_cast<uint64_t>(static_cast<int64_t>(high) - r.Low);
    }
  }
  rangeCount_ = n;
}

size_t TSimpleExpression::Ranges(std::span<TValueRange> out) const {
  if (rangeCount_ == 0 || rangeCount_ > out.size()) return 0;
  for (uint32_t i = 0; i < rangeCount_; ++i) out[i] = {ranges_[i].Low, ranges_[i].Span, ranges_[i].Slot, ranges_[i].Outside};
  return rangeCount_;
}

bool TSimpleExpression::Evaluate(std::span<const int32_t> values) const {
  if (rangeCount_ > 0) {
    bool all = true;
    for (uint32_t i = 0; i < rangeCount_; ++i) {
      const TRange& r = ranges_[i];
      const bool in = static_cast<uint64_t>(static_cast<int64_t>(values[r.Slot]) - r.Low) <= r.Span;
      all &= in != r.Outside;
    }
    return all;
  }
  bool stack[MaxDepth];
  int top = -1;
  const TStep* program = steps();
  for (uint32_t i = 0; i < count_; ++i) {
    const TStep& s = program[i];
    switch (s.Op) {
      // An int32 converts to double exactly: the comparison is muparser's.
      case TOp::Less: stack[++top] = static_cast<double>(values[s.Slot]) < s.Constant; break;
      case TOp::LessEqual: stack[++top] = static_cast<double>(values[s.Slot]) <= s.Constant; break;
      case TOp::Greater: stack[++top] = static_cast<double>(values[s.Slot]) > s.Constant; break;
      case TOp::GreaterEqual: stack[++top] = static_cast<double>(values[s.Slot]) >= s.Constant; break;
      case TOp::Equal: stack[++top] = static_cast<double>(values[s.Slot]) == s.Constant; break;
      case TOp::NotEqual: stack[++top] = static_cast<double>(values[s.Slot]) != s.Constant; break;
      case TOp::Not: stack[top] = !stack[top]; break;
      case TOp::And: --top; stack[top] = stack[top] && stack[top + 1]; break;
      case TOp::Or: --top; stack[top] = stack[top] || stack[top + 1]; break;
    }
  }
  return stack[0];
}
