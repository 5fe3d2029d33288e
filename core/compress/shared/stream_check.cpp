// The checkers' shared helper (see stream_check.h).
#include "compress/shared/stream_check.h"

namespace tegulo {

TStreamStats& FreshStats(TStreamStats* stats, TStreamStats& local) {
  TStreamStats& st = stats != nullptr ? *stats : local;
  std::uint8_t* marks = st.literalMarks;
  const bool factsOnly = st.factsOnly;  // the caller's, kept as for the other checkers
  st = {};
  st.literalMarks = marks;
  st.factsOnly = factsOnly;
  return st;
}

}  // namespace tegulo
