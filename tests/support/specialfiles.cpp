#include "support/specialfiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <exception>
#include <future>
#include <stdexcept>

#include <gtest/gtest.h>

namespace pelarin::testing {

const char* specialName(Special kind) {
  switch (kind) {
    case Special::Fifo:
      return "FIFO";
    case Special::Directory:
      return "directory";
    case Special::Device:
      return "device";
  }
  return "";
}

void plantSpecial(Special kind, const std::filesystem::path& path) {
  switch (kind) {
    case Special::Fifo:
      if (::mkfifo(path.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");
      break;
    case Special::Directory:
      std::filesystem::create_directory(path);
      break;
    case Special::Device:
      std::filesystem::create_symlink("/dev/null", path);
      break;
  }
}

std::string errorOfRead(const std::function<void()>& read, const std::filesystem::path& fifo) {
  auto result = std::async(std::launch::async, [read]() -> std::string {
    try {
      read();
    } catch (const std::exception& e) {
      return e.what();
    }
    return {};
  });
  if (result.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
    ADD_FAILURE() << "the read hangs on " << fifo;
    // A writer that opens and closes lets the blocked open return.
    int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
  }
  return result.get();
}

}  // namespace pelarin::testing
