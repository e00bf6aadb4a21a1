#include "support/unprivileged.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <exception>

namespace pelarin::testing {

namespace fs = std::filesystem;

bool runWithoutRoot(const fs::path& dir, const std::function<void()>& body) {
  if (::geteuid() != 0) {
    body();
    return true;
  }
  const passwd* nobody = ::getpwnam("nobody");
  if (!nobody || nobody->pw_uid == 0) return false;
  const uid_t uid = nobody->pw_uid;
  const gid_t gid = nobody->pw_gid;
  if (::chown(dir.c_str(), uid, gid) != 0) return false;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    if (::lchown(entry.path().c_str(), uid, gid) != 0) return false;

  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    // _exit: the child must not run the parent's clean-ups (a TempDir's removal).
    if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) ::_exit(3);
    int code = 0;
    try {
      body();
      code = ::testing::Test::HasFailure() ? 1 : 0;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "unexpected exception: %s\n", e.what());
      code = 2;
    }
    std::fflush(nullptr);
    ::_exit(code);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child) return false;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 3) return false;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the body failed as \"nobody\" (see above)";
  return true;
}

}  // namespace pelarin::testing
