// Permission tests: root is refused no write, so as root a test body runs in
// a forked child that has become "nobody".
#pragma once

#include <filesystem>
#include <functional>

namespace pelarin::testing {

// Runs `body` (which may use EXPECT_*) as a user that file permissions bind:
// here when this process is not root, else in a child as "nobody" after
// `dir` and everything in it are given to that user. A failure in the child
// fails the calling test. False, with nothing run, when root cannot be given up.
[[nodiscard]] bool runWithoutRoot(const std::filesystem::path& dir, const std::function<void()>& body);

}  // namespace pelarin::testing
