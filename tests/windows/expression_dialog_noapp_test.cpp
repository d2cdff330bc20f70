// A host without widgets (no QApplication) loads the expression server too:
// EditExpression must then decline instead of aborting the process.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "eventmanager/outside/expression_filter.h"

TEST(ExpressionEditorWithoutApplication, DeclinesAndKeepsTheText) {
  void* object = nullptr;
  ASSERT_EQ(EmExpressionFilterCreateInstance(&IID_IExpressionFilter, &object), 0);
  std::unique_ptr<IExpressionFilter> server(static_cast<IExpressionFilter*>(object));
  std::string text = "RxLevSub < -100";
  EXPECT_FALSE(server->EditExpression(nullptr, 0, text));
  EXPECT_EQ(text, "RxLevSub < -100");
}
