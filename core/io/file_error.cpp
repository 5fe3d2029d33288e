// Texts of file errors.
#include "io/file_error.h"

#include <cstring>

namespace tegulo {

TFileWriteError::TFileWriteError(const std::string& path, int err)
    : TError("Cannot create file \"" + path + "\". " + std::strerror(err)), err_(err) {}

TFileWriteError::TFileWriteError(const std::string& text, int err, TText)
    : TError(text), err_(err) {}

}  // namespace tegulo
