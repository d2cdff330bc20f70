// Expression-filter component: parses a user's gate expression into the field
// identifiers it reads and evaluates it on their values. Each gate event owns
// one server object, created through CoExpressionFilter; host thread only.
// Failures are raised as EEventManagerError (the caller would raise them anyway).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "eventmanager/outside/outside_export.h"

// A 128-bit class or interface identifier.
struct TGuid {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
  friend bool operator==(const TGuid&, const TGuid&) = default;
};

// {70CE1EF3-EF43-4EB3-A905-9159864FBEAD}
inline constexpr TGuid CLSID_ExpressionFilter{
    0x70CE1EF3, 0xEF43, 0x4EB3, {0xA9, 0x05, 0x91, 0x59, 0x86, 0x4F, 0xBE, 0xAD}};
// {76BE1BCE-5441-48EF-86EE-F17BC10CF5D1}
inline constexpr TGuid IID_IExpressionFilter{
    0x76BE1BCE, 0x5441, 0x48EF, {0x86, 0xEE, 0xF1, 0x7B, 0xC1, 0x0C, 0xF5, 0xD1}};

// One comparison of a field with a constant, as the integers that pass it: a
// value v passes when static_cast<uint64_t>(int64_t(v) - Low) <= Span, or,
// with Outside (!=), when it does not. Field is the position of the field
// among the identifiers ParseExpression returned.
struct TValueRange {
  int64_t Low = 0;
  uint64_t Span = 0;
  uint16_t Field = 0;
  bool Outside = false;
};

// Objects of the interface are made in the filter's library and used and
// freed in others, so its vtable and typeinfo are visible everywhere.
class EM_OUTSIDE_VISIBLE IExpressionFilter {
 public:
  // Lets the user edit `expression` for network `netType` in a dialog owned by
  // `parentWindow`. Returns true when the user accepted; only then is
  // `expression` changed.
  virtual bool EditExpression(void* parentWindow, uint8_t netType, std::string& expression) = 0;
  // Evaluates the parsed expression on one value per field, in the order of
  // the identifiers ParseExpression returned. True when the expression holds.
  // Raises when the number of values is not the number of fields.
  virtual bool EvaluateValues(std::span<const int32_t> values) = 0;
  // Parses `expression` (UTF-8) for network `netType`. `fieldIds` receives the
  // identifiers of the fields it reads, each once, in order of first use; the
  // array belongs to the server and stays valid until the next parse.
  // `reserved` and the return value carry nothing callers rely on.
  // A syntax error or an unknown field raises; the server then holds no
  // expression (no fields, evaluates false).
  virtual int32_t ParseExpression(uint8_t netType, const std::string& expression, int32_t& reserved,
                                  const int32_t*& fieldIds, uint8_t& fieldCount) = 0;
  // The same editor for the expression of a message-sequence level: that
  // text is stored with the level and never evaluated, so the editor says so
  // (instead of speaking of a gate) and accepts any text.
  virtual bool EditLevelExpression(void* parentWindow, uint8_t netType, std::string& expression) = 0;
  virtual ~IExpressionFilter() = default;
  // When the parsed expression is nothing but comparisons of fields with
  // constants joined by 'and', and there are at most `ranges.size()` of them:
  // writes them to `ranges` and returns their count, so that a caller
  // evaluating many expressions on every record can keep them together and
  // decide as EvaluateValues would, on values it has; 0 otherwise (then only
  // EvaluateValues decides). Declared after the destructor so that every
  // slot above keeps its place for callers built before it.
  virtual size_t ValueRanges(std::span<TValueRange> ranges) const {
    (void)ranges;
    return 0;
  }
};

// Creates a server object: asks the component runtime (which must be
// initialised on this thread) for CLSID_ExpressionFilter, then for
// IID_IExpressionFilter. Raises EEventManagerError when either is refused.
class CoExpressionFilter {
 public:
  static std::unique_ptr<IExpressionFilter> Create();
};

// The component's factory, found by the component runtime. Returns 0 and the
// object for IID_IExpressionFilter; a non-zero result code otherwise.
extern "C" EM_EXPRESSION_FILTER_API int32_t EmExpressionFilterCreateInstance(const TGuid* iid, void** object);
