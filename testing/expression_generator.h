// Random gate expressions of the common form users write: comparisons of a
// field with a constant (either side), joined by and/or in their several
// spellings, with not and parentheses; constants integral, fractional,
// negative and in exponent form. And value vectors that sit on and around
// those constants, so equality and rounding matter.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "eventmanager/outside/data_access.h"

struct ExpressionGenerator {
  std::mt19937 Random;
  explicit ExpressionGenerator(uint32_t seed) : Random(seed) {}

  std::vector<double> Constants;  // of the last expression, for the values

  int Pick(int n) { return static_cast<int>(Random() % static_cast<uint32_t>(n)); }

  std::string Field() {
    static const char* names[] = {"RxLevSub", "rxlevsub", "RXQUALSUB", "RxQualSub", "TA",    "C_I",
                                  "BCCH",     "RSCP",     "EcIo",      "BLER",      "MOS",   "Channel",
                                  "CDMA_Channel", "AppDL_kbps", "Latitude", "PN"};
    return names[Pick(static_cast<int>(std::size(names)))];
  }

  std::string Constant() {
    double value;
    std::string text;
    switch (Pick(6)) {
      case 0: value = -Pick(120); text = std::to_string(static_cast<int>(value)); break;
      case 1: value = Pick(100); text = std::to_string(static_cast<int>(value)); break;
      case 2: {  // a fraction, possibly between two integers a field can take
        static const char* fractions[] = {".5", ".25", ".1", ".75", ".3", ".999", ".0", ".05"};
        int whole = Pick(240) - 120;
        text = std::to_string(whole) + fractions[Pick(8)];
        value = std::stod(text);
        break;
      }
      case 3: {
        static const char* odd[] = {"1e2", "-1.5e1", "2.5E+1", "1e-1", "0.", "-0.0", "+7", "- 3", ".5", "95.0e0"};
        text = odd[Pick(10)];
        std::string parse = text;
        parse.erase(std::remove(parse.begin(), parse.end(), ' '), parse.end());
        value = std::stod(parse);
        break;
      }
      case 4: value = -9999; text = "-9999"; break;
      default: value = Pick(2000) - 1000; text = std::to_string(static_cast<int>(value)); break;
    }
    Constants.push_back(value);
    return text;
  }

  std::string Compare() {
    static const char* ops[] = {"<", "<=", ">", ">=", "==", "!=", "=", "<>"};
    std::string op = ops[Pick(8)];
    std::string gap = Pick(4) ? " " : "";
    if (Pick(4) == 0) return Constant() + gap + op + gap + Field();
    return Field() + gap + op + gap + Constant();
  }

  std::string Term(int depth) {
    int k = depth > 0 ? Pick(6) : 0;
    if (k == 4) return NotWord() + "(" + Expression(depth - 1) + ")";
    if (k == 5) return NotWord() + Compare();
    if (k == 3) return "(" + Expression(depth - 1) + ")";
    return Compare();
  }

  std::string NotWord() {
    static const char* words[] = {"not ", "NOT ", "!", "not", "! "};
    std::string w = words[Pick(5)];
    return w == "not" ? "not " : w;
  }

  std::string Expression(int depth) {
    static const char* joins[] = {" and ", " or ", " && ", " || ", " AND ", " Or ", "&&", "||"};
    std::string e = Term(depth);
    int more = Pick(4);
    for (int i = 0; i < more; ++i) e += joins[Pick(8)] + Term(depth);
    return e;
  }

  // A fresh expression; Constants holds its constants.
  std::string Next() {
    Constants.clear();
    return Expression(Pick(4));
  }

  // Values for `count` fields: mostly on, just below or just above one of
  // the expression's constants; sometimes anything, sometimes no value.
  std::vector<int32_t> Values(size_t count) {
    std::vector<int32_t> v(count);
    for (auto& x : v) {
      int k = Pick(10);
      if (k < 7 && !Constants.empty()) {
        double c = Constants[Pick(static_cast<int>(Constants.size()))];
        double f = c < -2e9 || c > 2e9 ? 0 : c;
        x = static_cast<int32_t>(f) + Pick(3) - 1;
      } else if (k < 9) {
        x = Pick(400) - 200;
      } else {
        x = NoValue;
      }
    }
    return v;
  }
};
