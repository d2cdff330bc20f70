// The component registry a host creates the expression filter through:
// nothing is created before the runtime is initialised, a class offers only
// its own interface, and in-process classes are found first and can be
// withdrawn again.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "eventmanager/errors.h"
#include "eventmanager/outside/expression_filter.h"
#include "platform/component_registry.h"

namespace {

struct ComponentRuntime {
  ComponentRuntime() { CoInitialize(); }
  ~ComponentRuntime() { CoUninitialize(); }
};

}  // namespace

TEST(ComponentRegistry, CreatesTheFilterOnlyWhenInitialisedAndForItsInterface) {
  ASSERT_EQ(CoInitializeCount(), 0);
  try {
    CoExpressionFilter::Create();
    FAIL() << "created without an initialised runtime";
  } catch (const EEventManagerError& e) {
    EXPECT_NE(std::string(e.what()).find("not initialised"), std::string::npos) << e.what();
  }
  ComponentRuntime runtime;
  EXPECT_NE(CoExpressionFilter::Create(), nullptr);

  constexpr TGuid unknown{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
  EXPECT_THROW(CoCreateInstance(unknown, IID_IExpressionFilter), EEventManagerError);
  try {
    CoCreateInstance(CLSID_ExpressionFilter, unknown);
    FAIL() << "created for an interface the class does not offer";
  } catch (const EEventManagerError& e) {
    EXPECT_NE(std::string(e.what()).find("{12345678-0001-0002-0304-05060708090A}"), std::string::npos) << e.what();
  }
  EXPECT_EQ(GuidText(CLSID_ExpressionFilter), "{70CE1EF3-EF43-4EB3-A905-9159864FBEAD}");

  // An in-process class is found first; removing it makes the class unknown again.
  static int created = 0;
  CoRegisterClass(unknown, [](const TGuid* iid, void** object) -> int32_t {
    if (!(*iid == IID_IExpressionFilter)) return ComponentNoInterface;
    *object = new int(++created);
    return ComponentOk;
  });
  std::unique_ptr<int> object(static_cast<int*>(CoCreateInstance(unknown, IID_IExpressionFilter)));
  EXPECT_EQ(*object, 1);
  CoRegisterClass(unknown, nullptr);
  EXPECT_THROW(CoCreateInstance(unknown, IID_IExpressionFilter), EEventManagerError);
}
