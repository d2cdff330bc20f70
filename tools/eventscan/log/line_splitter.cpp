#include "log/line_splitter.h"

namespace eventscan {

LineSplitter::Got LineSplitter::skipLong(uint64_t& offset, size_t& size) {
  offset = bufferOffset_ + begin_;
  size_t count = end_ - begin_;
  bool cr = buffer_[end_ - 1] == '\r';
  for (;;) {
    bufferOffset_ += end_;
    begin_ = end_ = lastEnd_ = 0;
    size_t n = source_->Read(buffer_.data(), capacity_);
    if (n == 0) {
      eof_ = true;
      break;
    }
    end_ = n;
    noteLineEnds(0, n);
    const char* nl = static_cast<const char*>(std::memchr(buffer_.data(), '\n', n));
    if (!nl) {
      count += n;
      cr = buffer_[n - 1] == '\r';
      continue;
    }
    const auto k = static_cast<size_t>(nl - buffer_.data());
    count += k;
    if (k > 0) cr = buffer_[k - 1] == '\r';
    begin_ = k + 1;
    break;
  }
  ++line_;
  size = count - (cr ? 1 : 0);
  return Got::TooLong;
}

}  // namespace eventscan
