// Rewrites a user's expression into muparser's own syntax, keeping for every
// rewritten character the position it came from, so that error positions
// point into the text the user typed. Pure functions, no state.
#pragma once

#include <string>
#include <vector>

struct TRewrittenExpression {
  std::string Text;
  std::vector<int> Origin;  // Origin[i]: 0-based position in the user's text of Text[i]
  // Position in the user's text for a position in Text (the end maps to the end).
  int OriginOf(int position, int userLength) const;
};

// "and", "or", "not" (any letter case) become "&&", "||", "!"; "<>" becomes
// "!="; a lone "=" becomes "=="; everything else, string literals included,
// is kept.
TRewrittenExpression RewriteOperators(const std::string& expression);

// 0-based position of the first comma outside parentheses, or -1.
int TopLevelComma(const std::string& expression);
