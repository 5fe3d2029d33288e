// What the scan dialog hands back: the hits chosen and how to show them.
#pragma once

#include <cstdint>
#include <vector>

#include "compress/scan/stream_scan.h"

namespace tegulo {

struct TScanChoice {
  std::vector<TScanHit> hits;  // in the table's order
  int templateRow = 2;         // the preview's template, 1..9
  std::int32_t width = 16;     // tiles ("8bpp (PC)": bytes) per row
};

}  // namespace tegulo
