// docs/expressions.md lists the field names users may write in gate
// expressions, per network. The list is generated from the field catalogue
// here, so the document cannot drift from what the parser accepts.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "eventmanager/outside/data_access.h"

namespace {

const std::filesystem::path DocPath = std::filesystem::path(EVENTMANAGER_SOURCE_DIR) / "docs" / "expressions.md";
const std::string Begin = "<!-- generated from the field catalogue by tests/outside/field_doc_test.cpp -->\n";
const std::string End = "<!-- end of generated fields -->\n";

std::string fieldLists() {
  const char* networks[] = {"GSM", "CDMA", "UMTS", "TD-SCDMA", "LTE"};
  std::string out;
  for (int net = 0; net < 5; ++net) {
    out += "\n### " + std::string(networks[net]) + "\n\n| field | identifier | value |\n|---|---|---|\n";
    for (const FieldInfo& f : FieldCatalogue())
      if (f.Networks & (1u << net))
        out += "| `" + std::string(f.Name) + "` | " + std::to_string(f.Id) + " | " + f.Description + " |\n";
  }
  return out + "\n";
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Writes beside the document, then renames over it.
void replaceFile(const std::filesystem::path& path, const std::string& text) {
  std::string temp = path.string() + ".XXXXXX";
  int fd = mkstemp(temp.data());
  ASSERT_GE(fd, 0) << temp;
  bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  written = fchmod(fd, 0644) == 0 && fsync(fd) == 0 && written;
  close(fd);
  ASSERT_TRUE(written) << temp;
  std::filesystem::rename(temp, path);
}

}  // namespace

TEST(FieldDoc, ExpressionsDocumentListsTheCatalogueFields) {
  for (const FieldInfo& f : FieldCatalogue())
    EXPECT_TRUE(f.Networks != 0 && (f.Networks & ~31u) == 0) << f.Name << " would be missing from every list";
  std::string doc = readFile(DocPath);
  size_t begin = doc.find(Begin);
  size_t end = doc.find(End);
  ASSERT_TRUE(begin != std::string::npos && end != std::string::npos && begin < end)
      << DocPath << " has lost its markers of the generated field lists";
  begin += Begin.size();
  const std::string wanted = fieldLists();
  if (doc.compare(begin, end - begin, wanted) == 0) return;
  if (const char* update = std::getenv("EVENTMANAGER_UPDATE_DOCS"); update && std::string(update) == "1") {
    replaceFile(DocPath, doc.substr(0, begin) + wanted + doc.substr(end));
    return;
  }
  FAIL() << DocPath << " lists other fields than the field catalogue. Regenerate it with\n"
         << "  EVENTMANAGER_UPDATE_DOCS=1 ctest --preset release -R FieldDoc\n"
         << "and commit the document. The lists should read:\n"
         << wanted;
}
