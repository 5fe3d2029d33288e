// libFuzzer target: the screens file kept beside a document. Whatever it reads is written
// back and read again, and matched to a list without going out of it.
#include <string>
#include <vector>

#include "base/uCommon.h"
#include "fuzz_input.h"
#include "screen/screen_doc.h"

using namespace tegulo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<TSavedScreen> screens;
  try {
    screens = ScreensFromJson(std::span<const std::uint8_t>(data, size));
  } catch (const TError&) {
    return 0;
  }
  const std::string text = ScreensToJson(screens);
  try {
    ScreensFromJson(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  } catch (const TError&) {
  }
  std::vector<TTileEntry> entries(3);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    entries[i].Address = static_cast<std::int32_t>(i) * 4096;
    entries[i].Offset = 16;
    entries[i].Template = 2;
  }
  const std::vector<int> match = MatchScreens(screens, entries);
  fuzz::Check(match.size() == screens.size());
  for (const int m : match) fuzz::Check(m >= -1 && m < static_cast<int>(entries.size()));
  return 0;
}
