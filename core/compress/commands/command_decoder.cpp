// The decoder of the SNES command formats: the one walk of command_walk.h, writing.
#include <algorithm>

#include "compress/commands/command_formats.h"
#include "compress/commands/command_walk.h"

namespace tegulo {

TCommandResult DecodeCommands(const TCommandFormat& format, std::span<const std::uint8_t> stream,
                              TDecodeBuffer& output) {
  return command::Walk<false>(format, stream, output.data(),
                              std::min(output.size(), kCommandOutputLimit), nullptr);
}

std::size_t StreamExtentCommands(const TCommandFormat& format,
                                 std::span<const std::uint8_t> stream) {
  // No stream describes more than the 16-bit address space: an output of that size gives
  // the working buffer's count.
  // A walk without output ends where the writing one does: sources depend on counts alone.
  static_assert(kCommandOutputLimit <= kDecodeBufferSize);
  return command::Walk<true>(format, stream, nullptr, kCommandOutputLimit, nullptr).consumed;
}

}  // namespace tegulo
