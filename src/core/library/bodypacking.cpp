#include "core/library/bodypacking.h"

#include <zlib.h>

#include <algorithm>
#include <memory>

#include "core/library/sqlite.h"

namespace pelarin {

Bytes packBody(ByteView body) {
  z_stream z{};
  // Level 1: most of the saving at a small part of the import's time.
  if (deflateInit(&z, 1) != Z_OK) throw std::bad_alloc();
  std::unique_ptr<z_stream, decltype(&deflateEnd)> owner(&z, deflateEnd);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data()));
  z.avail_in = static_cast<uInt>(body.size());
  // Grown as the output comes: never the size of the body before it is known.
  Bytes out;
  int rc = Z_OK;
  while (rc != Z_STREAM_END) {
    const size_t held = out.size();
    const size_t room = std::max<size_t>(held / 2, 1 << 12);
    out.resize(held + room);
    z.next_out = reinterpret_cast<Bytef*>(out.data() + held);
    z.avail_out = static_cast<uInt>(room);
    rc = deflate(&z, Z_FINISH);
    if (rc != Z_OK && rc != Z_STREAM_END) throw std::bad_alloc();
    out.resize(held + room - z.avail_out);
  }
  return out;
}

namespace {

[[noreturn]] void damaged() {
  throw LibraryError("ライブラリのファイルが壊れているか、ライブラリのファイルではありません。");
}

}  // namespace

void unpackBodyInLines(ByteView packed, size_t size, const std::function<void(ByteView)>& piece) {
  if (size > packed.size() * 1032 + 64) damaged();
  z_stream z{};
  if (inflateInit(&z) != Z_OK) throw std::bad_alloc();
  std::unique_ptr<z_stream, decltype(&inflateEnd)> owner(&z, inflateEnd);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  z.avail_in = static_cast<uInt>(packed.size());
  constexpr size_t kPiece = 1 << 20;
  Bytes out;
  size_t given = 0;
  int rc = Z_OK;
  while (rc != Z_STREAM_END) {
    const size_t held = out.size();
    out.resize(held + kPiece);
    z.next_out = reinterpret_cast<Bytef*>(out.data() + held);
    z.avail_out = static_cast<uInt>(kPiece);
    rc = inflate(&z, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END) damaged();
    out.resize(held + kPiece - z.avail_out);
    if (given + out.size() > size) damaged();
    // Whole lines only: a line end is never inside a character.
    const size_t cut = rc == Z_STREAM_END ? out.size() : out.rfind("\r\n");
    if (cut == Bytes::npos || cut == 0) continue;
    const size_t whole = rc == Z_STREAM_END ? cut : cut + 2;
    piece(ByteView(out).substr(0, whole));
    given += whole;
    out.erase(0, whole);
  }
  if (given != size) damaged();
}

Bytes unpackBody(ByteView packed, size_t size) {
  // Deflate gives back at most about 1032 bytes a byte: a larger size is damage.
  if (size > packed.size() * 1032 + 64) damaged();
  Bytes out(size, '\0');
  uLongf length = static_cast<uLongf>(size);
  const int rc = uncompress(reinterpret_cast<Bytef*>(out.data()), &length,
                            reinterpret_cast<const Bytef*>(packed.data()), static_cast<uLong>(packed.size()));
  if (rc != Z_OK || length != size) damaged();
  return out;
}

}  // namespace pelarin
