// Process-wide signal settings that make file errors ordinary errors.
#pragma once

namespace tegulo {

// Ignores SIGXFSZ, so that a write past the file-size limit (ulimit -f) fails with EFBIG
// ("File too large") and is reported like any other write error, instead of killing the
// program with a partial file left behind. Both programs call this first thing.
void IgnoreFileSizeSignal();

}  // namespace tegulo
