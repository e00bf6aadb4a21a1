// Small logs for the library's tests, built column by column as the host
// prints its headers.
#pragma once

#include <string>
#include <vector>

#include "core/text/bytes.h"

namespace pelarin::testing {

struct LogMessage {
  std::string number = {};  // five digits
  std::string title = {};   // UTF-8
  std::vector<std::string> body = {};  // UTF-8 lines
  std::string answered = {};  // five digits, empty for none
  std::string id = "0001";
  std::string name = "A";
  std::string posted = {};  // after the name, as the host prints it: "04/02 21:14"
};

// "[ Ｂbs<board> ]" then the messages, each closed by the menu line.
Bytes boardLog(const std::string& boardFullwidth, const std::vector<LogMessage>& messages);

}  // namespace pelarin::testing
