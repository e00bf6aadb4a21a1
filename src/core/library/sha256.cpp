#include "core/library/sha256.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

#include "core/text/errors.h"

namespace pelarin {

namespace {

struct Digest {
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx{EVP_MD_CTX_new(), EVP_MD_CTX_free};
  Digest() {
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1) throw std::bad_alloc();
  }
  void add(const void* p, size_t n) { EVP_DigestUpdate(ctx.get(), p, n); }
  Bytes finish() {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    EVP_DigestFinal_ex(ctx.get(), out, &n);
    return Bytes(reinterpret_cast<char*>(out), n);
  }
};

struct Fd {
  int fd;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

Bytes sha256(ByteView bytes) {
  Digest d;
  d.add(bytes.data(), bytes.size());
  return d.finish();
}

Bytes sha256OfFile(const std::filesystem::path& file) {
  Fd in{::open(file.c_str(), O_RDONLY | O_CLOEXEC)};
  if (in.fd < 0) throw FileError("Cannot open", file, errno);
  Digest d;
  std::vector<char> buffer(1 << 20);
  for (;;) {
    const ssize_t n = ::read(in.fd, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      throw FileError("Cannot read", file, errno);
    }
    if (n == 0) break;
    d.add(buffer.data(), static_cast<size_t>(n));
  }
  return d.finish();
}

}  // namespace pelarin
