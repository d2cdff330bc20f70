// The common form of gate expressions compiled for fast evaluation:
// comparisons of one field with one constant (either side), joined by && and
// ||, with ! and parentheses. Everything else stays with muparser. The
// decisions are muparser's: the same precedence (! binds a comparison or a
// parenthesised group, && before ||), comparisons of the exact double values,
// constants read with correct rounding as muparser's reader does.
// Immutable once compiled; evaluation allocates nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "eventmanager/outside/expression_filter.h"

class TSimpleExpression {
 public:
  // Position of a field's value in the array EvaluateValues receives, or -1
  // when the name is not a field (a muparser constant or function).
  using TSlotOf = std::function<int(std::string_view name)>;

  // `text` is in muparser's syntax (operators already rewritten), and
  // muparser has accepted it. None when it is not of the common form.
  static std::optional<TSimpleExpression> Compile(std::string_view text, const TSlotOf& slotOf);

  // REQUIRES: values holds every slot the expression names.
  bool Evaluate(std::span<const int32_t> values) const;

  // The conjunction of integer ranges Evaluate decides by, when the
  // expression is one (empty otherwise); Field is the value's slot.
  size_t Ranges(std::span<TValueRange> out) const;

 private:
  enum class TOp : uint8_t { Less, LessEqual, Greater, GreaterEqual, Equal, NotEqual, Not, And, Or };
  struct TStep {
    TOp Op;
    uint16_t Slot;      // comparisons: the field's value position
    double Constant;    // comparisons: field Op Constant
  };
  static constexpr int MaxDepth = 64;  // values pending on the evaluation stack
  // The postfix program; the usual few steps sit in the object itself, so an
  // evaluation touches no memory beyond it and the values.
  static constexpr size_t InlineSteps = 7;
  TStep inline_[InlineSteps];
  uint32_t count_ = 0;
  std::vector<TStep> more_;  // the whole program when it is longer
  const TStep* steps() const { return more_.empty() ? inline_ : more_.data(); }

  // The commonest gate, a few comparisons joined by && alone, is evaluated
  // without the program: a field's value is an integer, so each comparison
  // with a finite constant is the same as the value lying in a range of
  // integers (or, for !=, outside it), checked without a branch.
  struct TRange {
    int64_t Low;     // the value minus Low, unsigned, must be <= Span
    uint64_t Span;
    uint16_t Slot;
    bool Outside;    // != : true when the value is not in the range
  };
  static constexpr size_t MaxRanges = 4;
  TRange ranges_[MaxRanges];
  uint32_t rangeCount_ = 0;  // 0: evaluate the program
  void makeRanges();

  friend class TSimpleCompiler;
};
