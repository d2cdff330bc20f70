# Writes OUTPUT, a C++ source that holds each file of FILES (NAME=PATH pairs
# separated by "|") as a std::string_view, so the report page needs no files beside
# the program. A file that does not exist gives an empty text.
set(out "// Generated from tools/eventscan/report/ at build time; do not edit.\n#include <string_view>\n\nnamespace eventscan {\n")
string(REPLACE "|" ";" FILES "${FILES}")
foreach(pair IN LISTS FILES)
  string(REPLACE "=" ";" parts "${pair}")
  list(GET parts 0 name)
  list(GET parts 1 path)
  set(content "")
  if(EXISTS "${path}")  # a library that is not installed is embedded empty
    file(READ "${path}" content)
  endif()
  string(FIND "${content}" ")asset\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${path} contains the raw-string delimiter )asset\"")
  endif()
  string(APPEND out "extern const std::string_view ${name};\nconst std::string_view ${name} = R\"asset(${content})asset\";\n")
endforeach()
string(APPEND out "}  // namespace eventscan\n")
file(WRITE "${OUTPUT}.tmp" "${out}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
