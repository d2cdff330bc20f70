#include "campaign/content_hash.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace eventscan {

Sha256::Sha256() : ctx_(EVP_MD_CTX_new()) { EVP_DigestInit_ex(ctx_, EVP_sha256(), nullptr); }
Sha256::~Sha256() { EVP_MD_CTX_free(ctx_); }
void Sha256::Add(const void* data, size_t n) { EVP_DigestUpdate(ctx_, data, n); }

std::string Sha256::Hex() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  EVP_DigestFinal_ex(ctx_, digest, &n);
  static const char hex[] = "0123456789abcdef";
  std::string text;
  for (unsigned i = 0; i < n; ++i) {
    text += hex[digest[i] >> 4];
    text += hex[digest[i] & 15];
  }
  return text;
}

bool HashFile(const std::string& path, Sha256& hash, uint64_t* size) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::vector<char> buffer(size_t(1) << 20);
  uint64_t total = 0;
  for (;;) {
    ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      errno = error;
      return false;
    }
    if (n == 0) break;
    hash.Add(buffer.data(), static_cast<size_t>(n));
    total += static_cast<uint64_t>(n);
  }
  ::close(fd);
  if (size) *size = total;
  return true;
}

}  // namespace eventscan
