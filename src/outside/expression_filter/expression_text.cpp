#include "expression_text.h"

#include <cctype>

#include "support/text_case.h"

namespace {

bool nameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool nameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

void put(TRewrittenExpression& out, const std::string& text, int origin) {
  for (char c : text) {
    out.Text += c;
    out.Origin.push_back(origin);
  }
}

// A word operator, or the word itself.
std::string wordToken(const std::string& word) {
  std::string w = AsciiLowerCopy(word);
  if (w == "and") return "&&";
  if (w == "or") return "||";
  if (w == "not") return "!";
  return word;
}

bool comparisonPrefix(char c) { return c == '<' || c == '>' || c == '!' || c == '='; }

}  // namespace

int TRewrittenExpression::OriginOf(int position, int userLength) const {
  if (position < 0) return 0;
  if (position >= static_cast<int>(Origin.size())) return userLength;
  return Origin[position];
}

TRewrittenExpression RewriteOperators(const std::string& e) {
  TRewrittenExpression out;
  const int n = static_cast<int>(e.size());
  int i = 0;
  while (i < n) {
    char c = e[i];
    if (c == '"') {  // string literal: copied up to its closing quote
      int start = i++;
      while (i < n && e[i] != '"') ++i;
      if (i < n) ++i;
      for (int k = start; k < i; ++k) put(out, std::string(1, e[k]), k);
    } else if (nameStart(c)) {
      int start = i;
      while (i < n && nameChar(e[i])) ++i;
      put(out, wordToken(e.substr(start, i - start)), start);
    } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
      // A number, exponent included ("1e5" must not be read as a name).
      int start = i;
      while (i < n && (isDigit(e[i]) || e[i] == '.')) ++i;
      if (i < n && (e[i] == 'e' || e[i] == 'E')) {
        int j = i + 1;
        if (j < n && (e[j] == '+' || e[j] == '-')) ++j;
        if (j < n && isDigit(e[j])) {
          i = j;
          while (i < n && isDigit(e[i])) ++i;
        }
      }
      for (int k = start; k < i; ++k) put(out, std::string(1, e[k]), k);
    } else if (c == '<' && i + 1 < n && e[i + 1] == '>') {
      put(out, "!=", i);
      i += 2;
    } else if (c == '=' && !(i > 0 && comparisonPrefix(e[i - 1])) && !(i + 1 < n && e[i + 1] == '=')) {
      put(out, "==", i);
      ++i;
    } else {
      put(out, std::string(1, c), i);
      ++i;
    }
  }
  return out;
}

int TopLevelComma(const std::string& e) {
  int depth = 0;
  bool quoted = false;
  for (int i = 0; i < static_cast<int>(e.size()); ++i) {
    char c = e[i];
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '(') ++depth;
    else if (c == ')' && depth > 0) --depth;
    else if (c == ',' && depth == 0) return i;
  }
  return -1;
}
