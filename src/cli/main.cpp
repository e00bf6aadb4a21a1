#include <cstdio>

int main() {
  std::puts("pelarin-cli: not ready");
  return 2;
}
