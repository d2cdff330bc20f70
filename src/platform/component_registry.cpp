#include "platform/component_registry.h"

#include <dlfcn.h>

#include <map>
#include <tuple>

#include <fmt/format.h>

#include "eventmanager/errors.h"
#include "platform/host_paths.h"

namespace {

thread_local int initCount = 0;

struct GuidLess {
  bool operator()(const TGuid& a, const TGuid& b) const {
    auto key = [](const TGuid& g) {
      return std::make_tuple(g.Data1, g.Data2, g.Data3,
                             std::string(reinterpret_cast<const char*>(g.Data4), sizeof g.Data4));
    };
    return key(a) < key(b);
  }
};

std::map<TGuid, TComponentFactory, GuidLess>& registered() {
  static std::map<TGuid, TComponentFactory, GuidLess> classes;
  return classes;
}

// Classes that live in component libraries: the library file and the name
// of its exported factory.
struct TLibraryClass {
  TGuid Clsid;
  const char* Library;
  const char* Factory;
};

constexpr TLibraryClass libraryClasses[] = {
    {CLSID_ExpressionFilter, "libem_expression_filter.so", "EmExpressionFilterCreateInstance"},
};

TComponentFactory fromLibrary(const TLibraryClass& entry, std::string& why) {
  // Already loaded by the process (the library links its components)...
  if (void* f = dlsym(RTLD_DEFAULT, entry.Factory)) return reinterpret_cast<TComponentFactory>(f);
  // ...or loaded now, by name and then from the executable's directory.
  void* handle = dlopen(entry.Library, RTLD_NOW | RTLD_LOCAL);
  if (!handle) handle = dlopen((ExecutableDirectory() + entry.Library).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* error = dlerror();
    why = fmt::format("cannot load {}: {}", entry.Library, error ? error : "not found");
    return nullptr;
  }
  // The handle stays open: objects of the class may live until shut-down.
  if (void* f = dlsym(handle, entry.Factory)) return reinterpret_cast<TComponentFactory>(f);
  why = fmt::format("{} has no {}", entry.Library, entry.Factory);
  return nullptr;
}

TComponentFactory findFactory(const TGuid& clsid, std::string& why) {
  auto it = registered().find(clsid);
  if (it != registered().end()) return it->second;
  for (const auto& entry : libraryClasses)
    if (entry.Clsid == clsid) return fromLibrary(entry, why);
  why = "class not registered";
  return nullptr;
}

}  // namespace

int CoInitialize() { return ++initCount; }

int CoUninitialize() {
  if (initCount > 0) --initCount;
  return initCount;
}

int CoInitializeCount() { return initCount; }

void CoRegisterClass(const TGuid& clsid, TComponentFactory factory) {
  if (factory) registered()[clsid] = factory;
  else registered().erase(clsid);
}

void* CoCreateInstance(const TGuid& clsid, const TGuid& iid) {
  auto fail = [&](const std::string& why) {
    return EEventManagerError(fmt::format("Cannot create component {}: {}", GuidText(clsid), why));
  };
  if (initCount == 0) throw fail("the component runtime is not initialised on this thread");
  std::string why;
  TComponentFactory factory = findFactory(clsid, why);
  if (!factory) throw fail(why);
  void* object = nullptr;
  int32_t result = factory(&iid, &object);
  if (result == ComponentNoInterface || (result == ComponentOk && !object))
    throw fail(fmt::format("interface {} not supported", GuidText(iid)));
  if (result != ComponentOk) throw fail(fmt::format("error {:08X}", static_cast<uint32_t>(result)));
  return object;
}

std::string GuidText(const TGuid& g) {
  return fmt::format("{{{:08X}-{:04X}-{:04X}-{:02X}{:02X}-{:02X}{:02X}{:02X}{:02X}{:02X}{:02X}}}", g.Data1, g.Data2,
                     g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                     g.Data4[7]);
}

std::unique_ptr<IExpressionFilter> CoExpressionFilter::Create() {
  return std::unique_ptr<IExpressionFilter>(
      static_cast<IExpressionFilter*>(CoCreateInstance(CLSID_ExpressionFilter, IID_IExpressionFilter)));
}
