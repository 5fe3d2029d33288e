// What a scan for packed graphics says when it ends.
#include "rom/scan_texts.h"

namespace tegulo {

std::string ScanHitsText(std::size_t hits, bool cancelled) {
  std::string text = std::to_string(hits) + (hits == 1 ? " hit" : " hits");
  if (cancelled) text += " (cancelled)";
  return text;
}

std::string ScanFailedText(std::string_view reason) {
  return "Scan failed: " + std::string(reason);
}

}  // namespace tegulo
