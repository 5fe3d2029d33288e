// tegulo-cli: Tegulo's core from the command line.
#include <cstdio>

int main() {
  std::puts("Usage: tegulo-cli COMMAND [ARGS...]");
  return 2;
}
