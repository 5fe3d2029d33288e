// The decoder of the SNES command formats: the one walk of command_walk.h, writing.
#include "compress/commands/command_formats.h"
#include "compress/commands/command_walk.h"

namespace tegulo {

TCommandResult DecodeCommands(const TCommandFormat& format, std::span<const std::uint8_t> stream,
                              TDecodeBuffer& output) {
  return command::TWalker(format, stream, output).Run();
}

std::size_t StreamExtentCommands(const TCommandFormat& format,
                                 std::span<const std::uint8_t> stream) {
  // The walk reads back what it wrote, and no stream describes more than the 16-bit address
  // space: an output of that size gives the working buffer's count.
  static_assert(kCommandOutputLimit <= kDecodeBufferSize);
  TDecodeBuffer out(kCommandOutputLimit);
  return command::TWalker(format, stream, out).Run().consumed;
}

}  // namespace tegulo
