// What the shipped libraries (the events library and the outside components,
// as installed) offer a host: every function, object and class in their
// dynamic symbol tables must be declared in the public headers. Anything
// else, such as a probe that tests read (a count of calls, the last text
// spoken), would be callable by every host and is refused here. Read with
// nm from binutils, which the compiler brings.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream in(text);
  for (std::string part; std::getline(in, part, separator);)
    if (!part.empty()) parts.push_back(part);
  return parts;
}

// Every identifier written in the public headers.
std::set<std::string> publicIdentifiers() {
  std::set<std::string> words;
  const std::regex word("[A-Za-z_][A-Za-z0-9_]*");
  for (const auto& entry : fs::recursive_directory_iterator(fs::path(EVENTMANAGER_SOURCE_DIR) / "include")) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path());
    std::stringstream text;
    text << in.rdbuf();
    const std::string s = text.str();
    for (auto it = std::sregex_iterator(s.begin(), s.end(), word); it != std::sregex_iterator(); ++it)
      words.insert(it->str());
  }
  return words;
}

// The name a host would call or use for one demangled dynamic symbol, or ""
// for what no header declares by nature: the linker's own markers and the
// standard library's or muparser's classes and templates instantiated here.
std::string declaredName(std::string symbol) {
  for (const char* marker : {"__bss_start", "_edata", "_end", "_init", "_fini"})
    if (symbol == marker) return "";
  for (const char* prefix : {"typeinfo name for ", "typeinfo for ", "vtable for "})
    if (symbol.rfind(prefix, 0) == 0) {
      symbol.erase(0, std::string(prefix).size());
      if (symbol.find('(') != std::string::npos) return "";  // a function type's
    }
  for (const char* foreign : {"std::", "__gnu_cxx::", "mu::"})
    if (symbol.rfind(foreign, 0) == 0) return "";
  symbol = symbol.substr(0, symbol.find('('));
  symbol = std::regex_replace(symbol, std::regex(R"(\[abi:[a-z0-9]+\])"), "");
  size_t scope = symbol.rfind("::");
  return scope == std::string::npos ? symbol : symbol.substr(scope + 2);
}

// The demangled defined dynamic symbols of a shared library that the library
// itself defines. Weak and unique symbols (nm types W, V, u) are the vague
// linkage of templates and inline functions instantiated from someone else's
// headers (the standard library's, Qt's): which of them appear depends on the
// compiler's inlining, and a probe of ours would be a strong symbol anyway.
std::vector<std::string> exportedSymbols(const std::string& library) {
  std::vector<std::string> symbols;
  FILE* nm = ::popen(("nm -D --defined-only -C '" + library + "'").c_str(), "r");
  if (!nm) return symbols;
  char line[4096];
  while (std::fgets(line, sizeof line, nm)) {
    std::string s(line);
    if (!s.empty() && s.back() == '\n') s.pop_back();
    // "<value> <type> <name>"
    size_t type = s.find(' ');
    if (type == std::string::npos || type + 3 > s.size()) continue;
    const char kind = s[type + 1];
    if (kind == 'W' || kind == 'w' || kind == 'V' || kind == 'v' || kind == 'u') continue;
    symbols.push_back(s.substr(type + 3));
  }
  EXPECT_EQ(::pclose(nm), 0) << "nm failed on " << library;
  return symbols;
}

}  // namespace

TEST(ShippedSymbols, EveryExportIsDeclaredInThePublicHeaders) {
  const std::set<std::string> declared = publicIdentifiers();
  ASSERT_TRUE(declared.count("CreateEventsResult")) << "the public headers were not found";
  const std::vector<std::string> libraries = split(EVENTMANAGER_SHIPPED_LIBRARIES, ':');
  ASSERT_GE(libraries.size(), 2u);
  for (const std::string& library : libraries) {
    SCOPED_TRACE(fs::path(library).filename().string());
    const std::vector<std::string> symbols = exportedSymbols(library);
    EXPECT_FALSE(symbols.empty());
    std::vector<std::string> undeclared;
    for (const std::string& symbol : symbols) {
      const std::string name = declaredName(symbol);
      if (!name.empty() && !declared.count(name)) undeclared.push_back(symbol);
    }
    EXPECT_EQ(undeclared, std::vector<std::string>{}) << "exported but declared in no public header";
  }
}
