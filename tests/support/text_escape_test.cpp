// Text of files on a terminal and in JSON: control characters of every kind
// escaped, printable UTF-8 kept, bytes that are not UTF-8 never passed raw.
#include <gtest/gtest.h>

#include "support/text_escape.h"

TEST(TextEscape, TerminalTextEscapesEveryControlAndKeepsPrintableUtf8) {
  // The title-setting sequence, and the other C0 controls a terminal acts on.
  EXPECT_EQ(TerminalText("a\x1b]0;title\x07z"), "a\\e]0;title\\x07z");
  EXPECT_EQ(TerminalText("1\r2\n3\t4\x7f" "5"), "1\\r2\\n3\\t4\\x7F5");
  EXPECT_EQ(TerminalText(std::string("nul\0end", 7)), "nul\\x00end");
  // U+009B (CSI of the C1 set) in UTF-8, and the same byte on its own.
  EXPECT_EQ(TerminalText("x\xc2\x9b" "2J"), "x\\u{9B}2J");
  EXPECT_EQ(TerminalText("x\x9b" "2J"), "x\\x9B2J");
  // é (C3 A9), ā (C4 81: its second byte is in the C1 range), 中, an emoji.
  EXPECT_EQ(TerminalText("\xc3\xa9\xc4\x81\xe4\xb8\xad\xf0\x9f\x98\x80"), "\xc3\xa9\xc4\x81\xe4\xb8\xad\xf0\x9f\x98\x80");
  // An overlong slash, a surrogate and a cut sequence are no UTF-8.
  EXPECT_EQ(TerminalText("\xc0\xaf"), "\\xC0\\xAF");
  EXPECT_EQ(TerminalText("\xed\xa0\x80"), "\\xED\\xA0\\x80");
  EXPECT_EQ(TerminalText("ok\xe4\xb8"), "ok\\xE4\\xB8");
  EXPECT_EQ(TerminalText("back\\slash"), "back\\slash");
}

TEST(TextEscape, JsonStringQuotesAndEscapes) {
  EXPECT_EQ(JsonString("plain"), "\"plain\"");
  EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(JsonString("tab\there\nnew\x1b"), "\"tab\\u0009here\\u000anew\\u001b\"");
  EXPECT_EQ(JsonString("\xc3\xa9"), "\"\xc3\xa9\"");
  EXPECT_EQ(JsonString("bad\xff"), "\"bad\xef\xbf\xbd\"");
}
