// SHA-256 of a file or of bytes, as the sources table records logs.
#pragma once

#include <filesystem>
#include <memory>

#include "core/text/bytes.h"

namespace pelarin {

// A digest taken piece by piece; a copy goes on from where the original is.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256& other);
  Sha256& operator=(const Sha256&) = delete;
  void add(ByteView bytes);
  // 32 raw bytes; the digest takes no more after it.
  Bytes finish();

 private:
  struct Context;
  std::unique_ptr<Context> ctx_;
};

// 32 raw bytes. Throws FileError when the file cannot be read.
Bytes sha256OfFile(const std::filesystem::path& file);
Bytes sha256(ByteView bytes);

}  // namespace pelarin
