#include "speech_recorder.h"

#include "eventmanager/outside/utility.h"

namespace {

std::vector<std::string>& texts() {
  static std::vector<std::string> spoken;
  return spoken;
}

}  // namespace

// Exported from the program (see tests/interface/CMakeLists.txt).
void Speech(const std::string& text, int /*flags*/) { texts().push_back(text); }

const std::vector<std::string>& SpokenTexts() { return texts(); }
