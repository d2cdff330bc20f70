// Lines out of a log source, read in fixed-size blocks: a line that straddles
// two blocks is completed by the next read; the buffer grows only for a line
// longer than a block and never past the line limit (a longer line is passed
// over without being kept). Each line given is followed in the buffer by a
// NUL byte (written over its line end) and at least LinePadding readable
// bytes, so that a parser that reads a little past the end of its text can
// take the line where it is. Owned by one stream; single-threaded.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "log/log_source.h"

namespace eventscan {

// Bytes readable after every line a splitter gives, its NUL included.
inline constexpr size_t LinePadding = 64;

class LineSplitter {
 public:
  enum class Got { Line, TooLong, End };

  LineSplitter(std::unique_ptr<LogSource> source, size_t block, size_t maxLine)
      : source_(std::move(source)), capacity_(std::max<size_t>(block, 2)), buffer_(capacity_ + LinePadding),
        maxLine_(maxLine) {}

  // The next line without its line end, and the input offset of its first
  // byte; for TooLong, `size` is the line's length. The line stays valid
  // until the next call, and the byte after it is a NUL. Raises LogError.
  Got NextLine(std::string_view& line, uint64_t& offset, size_t& size) {
    for (;;) {
      char* b = buffer_.data();
      const char* nl = begin_ < end_ ? static_cast<const char*>(std::memchr(b + begin_, '\n', end_ - begin_)) : nullptr;
      if (nl || (eof_ && begin_ < end_)) {
        const size_t stop = nl ? static_cast<size_t>(nl - b) : end_;
        offset = bufferOffset_ + begin_;
        line = std::string_view(b + begin_, stop - begin_);
        begin_ = nl ? stop + 1 : end_;
        ++line_;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        size = line.size();
        b[line.data() + size - b] = '\0';  // over the line end, or in the padding at the end of the input
        return size > maxLine_ ? Got::TooLong : Got::Line;
      }
      if (eof_) return Got::End;
      // No line end yet. Past the limit (and a '\r' that may end it) the line
      // is too long whatever follows.
      if (end_ - begin_ > maxLine_ + 1) return skipLong(offset, size);
      if (begin_ > 0) {
        std::memmove(buffer_.data(), b + begin_, end_ - begin_);
        lastEnd_ = lastEnd_ > begin_ ? lastEnd_ - begin_ : 0;
        bufferOffset_ += begin_;
        end_ -= begin_;
        begin_ = 0;
      }
      if (end_ == capacity_) {
        capacity_ = std::min(capacity_ * 2, maxLine_ + 2);
        buffer_.resize(capacity_ + LinePadding);
      }
      size_t n = source_->Read(buffer_.data() + end_, capacity_ - end_);
      if (n == 0) eof_ = true;
      noteLineEnds(end_, n);
      end_ += n;
    }
  }

  // Whether NextLine can give its next line (or the end) without reading.
  bool Buffered() const { return eof_ || lastEnd_ > begin_; }
  // Lines passed so far: the number of the line NextLine gave last (1-based).
  int LineNumber() const { return line_; }
  // Bytes of the input passed so far.
  uint64_t Passed() const { return bufferOffset_ + begin_; }
  LogSource& Source() { return *source_; }
  const LogSource& Source() const { return *source_; }

 private:
  // Passes over the rest of a line that does not fit, counting its bytes.
  Got skipLong(uint64_t& offset, size_t& size);
  // Remembers where the last line end of `n` bytes read at `at` is: asked
  // once a line by the thread that reads ahead, a search from the start of
  // the unread bytes would look at every line twice.
  void noteLineEnds(size_t at, size_t n) {
    if (const void* nl = n ? memrchr(buffer_.data() + at, '\n', n) : nullptr)
      lastEnd_ = static_cast<size_t>(static_cast<const char*>(nl) - buffer_.data()) + 1;
  }

  std::unique_ptr<LogSource> source_;
  size_t capacity_;             // of the buffer for input, LinePadding before its end
  std::vector<char> buffer_;
  size_t begin_ = 0, end_ = 0;  // unread bytes
  size_t lastEnd_ = 0;          // just past the last line end in the buffer, 0 for none
  uint64_t bufferOffset_ = 0;   // input offset of buffer_[0]
  bool eof_ = false;
  int line_ = 0;                // lines passed
  size_t maxLine_;
};

}  // namespace eventscan
