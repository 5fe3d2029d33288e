// What a scan for packed graphics says when it ends, and the settings it starts with, for
// the window's scan dialog (the CLI prints the hits themselves).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "compress/scan/stream_scan.h"
#include "tiles/uTiles.h"

namespace tegulo {

// "1 hit", "0 hits", "12 hits", with " (cancelled)" after a scan stopped by the user.
std::string ScanHitsText(std::size_t hits, bool cancelled);

// A scan that failed: "Scan failed: " and the reason (a whole sentence or a phrase).
std::string ScanFailedText(std::string_view reason);

// The dialog's fields: scheme 0 for all, else the row in Compressions; the preview's template
// as a row of TileTemplates. Defaults are the scan's own (TScanOptions).
struct TScanSettings {
  int scheme = 0;
  std::uint32_t minSize = TScanOptions{}.minSize;
  std::uint32_t align = TScanOptions{}.align;
  int minScore = TScanOptions{}.minScore;
  int previewTemplate = kTemplate4bppSNES;
  bool operator==(const TScanSettings&) const = default;
};

}  // namespace tegulo
