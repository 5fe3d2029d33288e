// The checkers' shared helper (see stream_check.h).
#include "compress/shared/stream_check.h"

namespace tegulo {

TStreamStats& FreshStats(TStreamStats* stats, TStreamStats& local) {
  TStreamStats& st = stats != nullptr ? *stats : local;
  std::uint8_t* marks = st.literalMarks;
  st = {};
  st.literalMarks = marks;
  return st;
}

}  // namespace tegulo
