// The reference eventscan's reading is measured against: what a user's
// simplest simdjson program over a log does. The file is read as a stream,
// line by line; each line is one on-demand document whose values are all
// touched (numbers read as integers where they are, strings read, objects
// and lists walked). speed_table runs it as a child process, as it runs
// eventscan, so that both pay a process start and are timed by the same
// clock (the child's user and system time).
//
// The walk is in functions local to this file, as a one-file program has
// them: the compiler then inlines simdjson's on-demand calls into it. The
// same walk in functions with external linkage ran at about half the speed
// (0.34 s against 0.19 s of CPU for a 1 M-record log), which was once taken
// for a difference between running in-process and running as a program.
//
// Usage: simdjson_lines LOG   (prints the documents and a checksum)
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include <simdjson.h>

namespace {

namespace od = simdjson::ondemand;

uint64_t touch(od::value value);

uint64_t touchObject(od::object object) {
  uint64_t sum = 0;
  for (auto field : object) {
    sum += field.unescaped_key().value().size();
    sum += touch(field.value().value());
  }
  return sum;
}

uint64_t touch(od::value value) {
  switch (value.type().value()) {
    case od::json_type::object:
      return touchObject(value.get_object().value());
    case od::json_type::array: {
      uint64_t sum = 0;
      for (auto element : value.get_array()) sum += touch(element.value());
      return sum;
    }
    case od::json_type::number: {
      int64_t i;
      if (!value.get_int64().get(i)) return static_cast<uint64_t>(i);
      return static_cast<uint64_t>(value.get_double().value());
    }
    case od::json_type::string:
      return value.get_string().value().size();
    case od::json_type::boolean:
      return value.get_bool().value();
    case od::json_type::null:
      return 0;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: simdjson_lines LOG\n");
    return 1;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "simdjson_lines: cannot open %s\n", argv[1]);
    return 1;
  }
  od::parser parser;
  std::string line;
  uint64_t documents = 0, sum = 0;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    // The padding simdjson reads past the text: the string's spare capacity.
    if (line.capacity() < line.size() + simdjson::SIMDJSON_PADDING) line.reserve(line.size() + simdjson::SIMDJSON_PADDING);
    od::document doc;
    if (parser.iterate(simdjson::padded_string_view(line.data(), line.size(), line.capacity())).get(doc)) return 2;
    od::object object;
    if (doc.get_object().get(object)) return 2;
    sum += touchObject(object);
    ++documents;
  }
  std::printf("%llu documents, checksum %llu\n", static_cast<unsigned long long>(documents),
              static_cast<unsigned long long>(sum));
  return 0;
}
