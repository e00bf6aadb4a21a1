// pelarin-loggen [--one-message] SIZE_MB OUT [SEED]: writes a generated log for
// manual runs; --one-message: one message of SIZE_MB body, then a small one.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "loggen.h"

int main(int argc, char** argv) {
  const bool oneMessage = argc > 1 && std::strcmp(argv[1], "--one-message") == 0;
  if (oneMessage) {
    --argc;
    ++argv;
  }
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: pelarin-loggen [--one-message] SIZE_MB OUT [SEED]\n");
    return 2;
  }
  char* end = nullptr;
  double megabytes = std::strtod(argv[1], &end);
  unsigned long long seed = argc == 4 ? std::strtoull(argv[3], nullptr, 10) : 1;
  if (*end != '\0' || !(megabytes > 0)) {
    std::fprintf(stderr, "pelarin-loggen: SIZE_MB must be a positive number\n");
    return 2;
  }
  try {
    const auto bytes = static_cast<uint64_t>(megabytes * 1024 * 1024);
    auto stats = oneMessage ? pelarin::bench::generateOneMessageLog(argv[2], bytes)
                            : pelarin::bench::generateLog(argv[2], bytes, seed);
    std::printf("%llu bytes, %llu lines, %lld messages\n", static_cast<unsigned long long>(stats.bytes),
                static_cast<unsigned long long>(stats.lines), static_cast<long long>(stats.messages));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pelarin-loggen: %s\n", e.what());
    return 1;
  }
  return 0;
}
