// Telling whether two paths name the same file, through links.
#pragma once

#include <string>

namespace tegulo {

// True when both paths exist and lead (after following symbolic links) to the same file:
// the same device and inode. A path that does not exist is the same as nothing.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace tegulo
