// Wall and processor time for the benches' own figures.
#pragma once

#include <sys/resource.h>

#include <chrono>

namespace pelarin::bench {

using Clock = std::chrono::steady_clock;

inline double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// This process's user and system time so far.
inline double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace pelarin::bench
