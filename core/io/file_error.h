// Errors of file operations: the errno value and the texts the programs show for it.
#pragma once

#include <string>

#include "base/uCommon.h"

namespace tegulo {

// A file that could not be created or written: "Cannot create file "<path>". <reason>",
// the reason from the system; err() keeps errno for callers that word it otherwise.
class TFileWriteError : public TError {
public:
  TFileWriteError(const std::string& path, int err);
  // The same error with the text given whole.
  struct TText {};
  static constexpr TText kText{};
  TFileWriteError(const std::string& text, int err, TText);
  int err() const { return err_; }

private:
  int err_;
};

}  // namespace tegulo
