// A drawn scene as a true-colour PNG file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/scene_render.h"

namespace tegulo {

// The PNG bytes of the picture: IHDR (8-bit RGB, no interlace), IDAT (one zlib stream, rows
// of filter type 0), IEND. Throws TError "There is no image to export" for an empty one.
std::vector<std::uint8_t> EncodeScenePng(const TSceneImage& image);

// Writes EncodeScenePng through the safe-write path (the file is replaced whole or not at
// all); returns the hard-link note of WriteFileAtomically.
std::string WriteScenePng(const std::string& path, const TSceneImage& image);

}  // namespace tegulo
