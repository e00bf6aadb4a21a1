#include "core/library/bodypacking.h"

#include <zlib.h>

#include "core/library/sqlite.h"

namespace pelarin {

Bytes packBody(ByteView body) {
  uLongf bound = compressBound(static_cast<uLong>(body.size()));
  Bytes out(bound, '\0');
  // Level 1: most of the saving at a small part of the import's time.
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &bound, reinterpret_cast<const Bytef*>(body.data()),
                static_cast<uLong>(body.size()), 1) != Z_OK)
    throw std::bad_alloc();
  out.resize(bound);
  return out;
}

Bytes unpackBody(ByteView packed, size_t size) {
  // Deflate gives back at most about 1032 bytes a byte: a larger size is damage.
  if (size > packed.size() * 1032 + 64)
    throw LibraryError("ライブラリのファイルが壊れているか、ライブラリのファイルではありません。");
  Bytes out(size, '\0');
  uLongf length = static_cast<uLongf>(size);
  const int rc = uncompress(reinterpret_cast<Bytef*>(out.data()), &length,
                            reinterpret_cast<const Bytef*>(packed.data()), static_cast<uLong>(packed.size()));
  if (rc != Z_OK || length != size)
    throw LibraryError("ライブラリのファイルが壊れているか、ライブラリのファイルではありません。");
  return out;
}

}  // namespace pelarin
