// SHA-256 of a file's bytes, as hex: what identifies a log in the campaign
// database whatever its path. The worker takes it of the file it runs; the
// coordinator only when it must know before running (see campaign_runner).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct evp_md_ctx_st;

namespace eventscan {

class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;
  void Add(const void* data, size_t n);
  std::string Hex();

 private:
  evp_md_ctx_st* ctx_;
};

// Adds the file's bytes to `hash`; false (errno set) when it cannot be read.
bool HashFile(const std::string& path, Sha256& hash, uint64_t* size = nullptr);

}  // namespace eventscan
