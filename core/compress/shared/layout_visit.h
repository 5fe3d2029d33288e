// What the token walkers of the layout headers share: a literal handed to a visitor that
// takes its byte (a decoder) or only its position (the scan's checkers, the extent walks).
#pragma once

#include <cstdint>

namespace tegulo::lz {

template <class V>
bool VisitLiteral(V& visit, std::uint64_t out, std::uint8_t byte) {
  if constexpr (requires { visit.Literal(out, byte); }) {
    return visit.Literal(out, byte);
  } else {
    return visit.Literal(out);
  }
}

}  // namespace tegulo::lz
