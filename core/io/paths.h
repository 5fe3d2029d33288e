// Paths as the file layer sees them: the folder of a path, symlinks followed to the end.
#pragma once

#include <string>

namespace tegulo {

// The folder part of a path: "." for a bare name, "/" for a name at the root.
std::string DirectoryOf(const std::string& path);

// Follows symlinks at the path to the file they end at, which need not exist yet (a
// dangling link names the file a write creates). Returns 0 or an errno value (ELOOP after
// 40 links).
int FollowLinks(const std::string& path, std::string& target);

}  // namespace tegulo
