#include "host/event_filter.h"

#include <cctype>
#include <charconv>

#include "support/text_case.h"

namespace eventscan {
namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

}  // namespace

EventFilter::EventFilter(Mode mode, const std::vector<std::string>& items) : mode_(mode) {
  for (const std::string& item : items) {
    int32_t id = 0;
    auto [end, ec] = std::from_chars(item.data(), item.data() + item.size(), id);
    if (ec == std::errc() && end == item.data() + item.size())
      ids_.insert(id);
    else
      names_.insert(AsciiLowerCopy(item));
  }
}

bool EventFilter::listed(int32_t id, std::string_view name) const {
  return (id >= 0 && ids_.count(id)) || (!name.empty() && names_.count(AsciiLowerCopy(name)));
}

bool EventFilter::AcceptsId(int32_t id, std::string_view name) const {
  switch (mode_) {
    case Mode::All: return true;
    // Internal identifiers become results named after the user's events; the
    // rows decide on those names.
    case Mode::Only: return listed(id, name) || (id >= 10000 && !names_.empty());
    case Mode::Skip: return !ids_.count(id) && !(!name.empty() && names_.count(AsciiLowerCopy(name)));
  }
  return true;
}

bool EventFilter::AcceptsRow(int32_t testId, std::string_view name) const {
  switch (mode_) {
    case Mode::All: return true;
    case Mode::Only: return listed(testId, name);
    case Mode::Skip: return !listed(testId, name);
  }
  return true;
}

std::vector<std::string> SplitList(std::string_view text) {
  std::vector<std::string> items;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t comma = text.find(',', pos);
    if (comma == std::string_view::npos) comma = text.size();
    std::string_view item = trim(text.substr(pos, comma - pos));
    if (!item.empty()) items.emplace_back(item);
    pos = comma + 1;
  }
  return items;
}

}  // namespace eventscan
