// The splitter holds the heads of lines only: no allocation during a split
// grows with the length of a line. Every allocation of this test binary goes
// through the counting operator new below.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "core/app/appstate.h"
#include "core/logimport/messagefile.h"
#include "core/logimport/splitlog.h"
#include "support/tempdir.h"

namespace {
std::atomic<size_t> largestAllocation{0};
}

void* operator new(size_t size) {
  size_t seen = largestAllocation.load(std::memory_order_relaxed);
  while (size > seen && !largestAllocation.compare_exchange_weak(seen, size)) {
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t size) { return ::operator new(size); }
// The library's nothrow forms (a stable sort's buffer) must pair with the delete below.
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return ::operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return ::operator new(size, std::nothrow); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace pelarin {
namespace {

using testing::crlf;
using testing::sj;
using testing::TempDir;

TEST(SplitLogMemory, NoAllocationGrowsWithTheLine) {
  const Bytes header = "#Fc.00001     " + Bytes(32, 'T') + "    1 " + Bytes(16, 'N') + Bytes(6, ' ') + "   1";
  struct Row {
    const char* what;
    Bytes log;
    int32_t messages;
  } rows[] = {
      // A log captured with LF line ends: one line, no header.
      {"one line", Bytes(20 << 20, 'a') + "\n" + sj("  ●00001") + Bytes(1 << 20, 'b'), 0},
      {"long body line", crlf({header, "-", Bytes(5 << 20, 'x'), Bytes(3 << 20, 'y')}), 1},
  };
  for (const Row& row : rows) {
    TempDir dir;
    testing::writeFile(dir / "in.log", row.log);
    AppState state;
    state.WorkDir = dir.text();
    largestAllocation = 0;
    EXPECT_EQ(SplitLog(dir / "in.log", 1, state), 1 + row.messages) << row.what;
    EXPECT_LT(largestAllocation.load(), size_t{1} << 20) << row.what;
  }
}

}  // namespace
}  // namespace pelarin
