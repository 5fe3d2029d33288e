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

template <const TCommandFormat& F>
std::uint32_t DecompressCommands(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                                 bool* notValid) {
  const TCommandResult r = DecodeCommands(F, stream, output);
  *notValid = r.end == TCommandEnd::kInvalid;
  return r.written;
}
template <const TCommandFormat& F>
std::size_t StreamExtentCommands(std::span<const std::uint8_t> stream) {
  return StreamExtentCommands(F, stream);
}
template std::uint32_t DecompressCommands<TCommandFormat::LCLZ1>(std::span<const std::uint8_t>,
                                                                 TDecodeBuffer&, bool*);
template std::size_t StreamExtentCommands<TCommandFormat::LCLZ1>(std::span<const std::uint8_t>);

}  // namespace tegulo
