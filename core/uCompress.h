// The compression schemes of entries.
#pragma once

#include "uCommon.h"

namespace tegulo {

inline constexpr int kCompressionCount = 5;

// Row index = the entry's Compression value; the value byte equals the index.
inline constexpr TChoice Compressions[kCompressionCount] = {
    MakeChoice("(none)", 0),
    MakeChoice("LZ77-10", 1),
    MakeChoice("LZSS-FF5", 2),
    MakeChoice("LZSS-FF6", 3),
    MakeChoice("LZSS-CT", 4),
};

}  // namespace tegulo
