// Reading input files: whole and bounded, without blocking on special files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/uCommon.h"

namespace tegulo {

// The largest ROM, document or save state read into memory.
inline constexpr std::uint64_t kMaxInputBytes = std::uint64_t{1} << 30;

// Why an input could not be read; callers that word a reason their own way switch on it.
enum class TReadFailure {
  Missing,     // the file does not exist ("<path> not found")
  OpenFailed,  // any other failed open: permission, link loop, name too long...
  Directory,   // a folder ("Cannot read <path>")
  NotRegular,  // a FIFO, device or socket ("<path> is not a regular file")
  TooLarge,    // more bytes than the limit ("<path> is larger than 1 GiB", the limit given)
  ReadFailed,  // reading failed ("Cannot read <path>. <reason>")
};

class TFileReadError : public TError {
public:
  // `limit` is the size a TooLarge file passed.
  TFileReadError(const std::string& path, TReadFailure failure, int err,
                 std::uint64_t limit = kMaxInputBytes);
  TReadFailure failure() const { return failure_; }
  int err() const { return err_; }  // errno, 0 when the system gave none

private:
  TReadFailure failure_;
  int err_;
};

// Reads the whole file. The file is opened without blocking (a FIFO with no writer would
// otherwise wait forever), then anything but a regular file is refused before a byte is
// read. Reads to the end of the file rather than trusting its size, so files that measure
// 0 (as under /proc) read as what they hold. Throws TFileReadError; path texts in messages
// show control characters escaped.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path,
                                        std::uint64_t limit = kMaxInputBytes);

// As ReadWholeFile, but reads at most `count` bytes from the start; a longer file is fine.
std::vector<std::uint8_t> ReadFileHead(const std::string& path, std::size_t count);

// Whether both paths name the same existing file (after links; hard links included).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace tegulo
