#include "core/library/sha256.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <vector>

#include "core/text/errors.h"

namespace pelarin {

struct Sha256::Context {
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx{EVP_MD_CTX_new(), EVP_MD_CTX_free};
};

Sha256::Sha256() : ctx_(std::make_unique<Context>()) {
  if (!ctx_->ctx || EVP_DigestInit_ex(ctx_->ctx.get(), EVP_sha256(), nullptr) != 1) throw std::bad_alloc();
}

Sha256::Sha256(const Sha256& other) : ctx_(std::make_unique<Context>()) {
  if (!ctx_->ctx || EVP_MD_CTX_copy_ex(ctx_->ctx.get(), other.ctx_->ctx.get()) != 1) throw std::bad_alloc();
}

Sha256::~Sha256() = default;

void Sha256::add(ByteView bytes) { EVP_DigestUpdate(ctx_->ctx.get(), bytes.data(), bytes.size()); }

Bytes Sha256::finish() {
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  EVP_DigestFinal_ex(ctx_->ctx.get(), out, &n);
  return Bytes(reinterpret_cast<char*>(out), n);
}

namespace {

struct Fd {
  int fd;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

Bytes sha256(ByteView bytes) {
  Sha256 d;
  d.add(bytes);
  return d.finish();
}

Bytes sha256OfFile(const std::filesystem::path& file) {
  Fd in{::open(file.c_str(), O_RDONLY | O_CLOEXEC)};
  if (in.fd < 0) throw FileError("Cannot open", file, errno);
  Sha256 d;
  std::vector<char> buffer(1 << 20);
  for (;;) {
    const ssize_t n = ::read(in.fd, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      throw FileError("Cannot read", file, errno);
    }
    if (n == 0) break;
    d.add(ByteView(buffer.data(), static_cast<size_t>(n)));
  }
  return d.finish();
}

}  // namespace pelarin
