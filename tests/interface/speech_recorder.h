// What the events library asked the utility component to speak, in the e2e
// test program. The program defines Speech itself and exports it, so the
// library it opens with dlopen calls this one in place of the component's:
// the program comes first when a loaded library's names are looked up. No
// shipped library needs a probe for it, and nothing is spoken.
#pragma once

#include <string>
#include <vector>

// Every text spoken so far, in order.
const std::vector<std::string>& SpokenTexts();
