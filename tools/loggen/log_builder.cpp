#include "log_builder.h"

#include <cstring>

#include <fmt/format.h>

#include "log/log_time.h"
#include "support/hex_text.h"

namespace loggen {

uint64_t Rng::Next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

int Rng::Between(int lo, int hi) {
  return lo + static_cast<int>(Next() % static_cast<uint64_t>(hi - lo + 1));
}

Extra& Extra::raw(const void* p, size_t n) {
  bytes_.append(static_cast<const char*>(p), n);
  return *this;
}

Extra& Extra::Text(std::string_view text, size_t width) {
  std::string field(width, '\0');
  std::memcpy(field.data(), text.data(), std::min(text.size(), width - 1));
  bytes_ += field;
  return *this;
}

std::string Extra::Hex() const { return BytesToHex(bytes_); }

LogBuilder::LogBuilder(std::ostream& out, uint64_t seed, double startDays)
    : out_(out), rng_(seed), startDays_(startDays) {}

void LogBuilder::Header(std::string_view network, int device, std::string_view start) {
  out_ << fmt::format(
      "{{\"format\": \"eventscan-log\", \"version\": 1, \"network\": \"{}\", \"device\": {}, \"start\": \"{}\", "
      "\"generator\": \"loggen\"}}\n",
      network, device, start);
}

void LogBuilder::begin(std::string_view kind) {
  line_ = fmt::format("{{\"time\": \"{}\", \"kind\": \"{}\"",
                      eventscan::IsoTimeText(startDays_ + static_cast<double>(ms_) / 86400000.0), kind);
  if (dedicated_) line_ += ", \"mode\": \"dedicated\"";
}

void LogBuilder::end() {
  if (!pendingEvents_.empty()) {
    line_ += ", \"events\": [";
    for (size_t i = 0; i < pendingEvents_.size(); ++i)
      line_ += fmt::format("{}{{\"id\": {}}}", i ? ", " : "", pendingEvents_[i]);
    line_ += "]";
    pendingEvents_.clear();
  }
  line_ += "}\n";
  out_ << line_;
  ++records_;
}

void LogBuilder::Measurement(const std::string& fields) {
  begin("measurement");
  line_ += ", \"fields\": {" + fields + "}";
  end();
}

void LogBuilder::Message(std::string_view name, const std::string& ie, int subType, const std::string& fields) {
  begin("message");
  line_ += fmt::format(", \"msg\": \"{}\"", name);
  if (subType >= 0) line_ += fmt::format(", \"sub_type\": {}", subType);
  if (!ie.empty()) line_ += ", \"ie\": {" + ie + "}";
  if (!fields.empty()) line_ += ", \"fields\": {" + fields + "}";
  end();
}

void LogBuilder::Item(int id, const std::string& extra, std::string_view text) {
  begin("test");
  line_ += fmt::format(", \"items\": [{{\"id\": {}", id);
  if (!extra.empty()) line_ += fmt::format(", \"extra\": \"{}\"", extra);
  if (!text.empty()) line_ += fmt::format(", \"text\": \"{}\"", text);
  line_ += "}]";
  end();
}

void LogBuilder::Trace(int device, int vendor) {
  begin("trace");
  line_ += fmt::format(", \"device\": {}, \"vendor\": {}", device, vendor);
  end();
}

}  // namespace loggen
