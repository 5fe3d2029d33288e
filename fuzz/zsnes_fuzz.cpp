// libFuzzer target: the palette of a ZSNES save state.
#include <cstring>

#include "fuzz_input.h"
#include "palette/palette.h"

using namespace tegulo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const TPalette p = ZsnesPaletteFromBytes({data, size});
  for (std::size_t i = 0; i < p.size(); ++i) {
    const std::size_t at = 1560 + 2 * i;
    const std::uint32_t want =
        at + 2 <= size ? ConsoleColour(static_cast<std::uint16_t>(data[at] | data[at + 1] << 8))
                       : 0;
    fuzz::Check(p[i] == want);
  }
  return 0;
}
