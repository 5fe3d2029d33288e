// PNG export with libpng: one palette image, exactly the chunks the format needs, encoded
// into a byte sink; the file side goes through the safe-write path.
#include "image/png_writer.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

#include "base/uCommon.h"
#include "io/safe_write.h"

namespace tegulo {
namespace {

constexpr std::size_t kSinkChunk = 1 << 16;  // bytes gathered before the sink sees them

// Everything the libpng callbacks and the setjmp frame share. It lives in the frame that
// calls EncodeImage, which libpng's longjmp never crosses.
struct TPngJob {
  const TPngSink* sink = nullptr;
  std::vector<std::uint8_t> pending;  // bytes not yet handed to the sink
  std::exception_ptr sinkError;       // what the sink threw, rethrown once libpng is done
  const TIndexedBitmap* bmp = nullptr;
  int transparent = 0;
  png_structp png = nullptr;
  png_infop info = nullptr;
  char reason[256] = {};  // libpng's message of the first failure
};

void Remember(TPngJob& job, const char* text) {
  if (job.reason[0] == '\0') std::snprintf(job.reason, sizeof job.reason, "%s", text);
}

void OnError(png_structp png, png_const_charp msg) {
  Remember(*static_cast<TPngJob*>(png_get_error_ptr(png)), msg);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Hands the gathered bytes on; false (the error kept) when the sink threw.
bool Drain(TPngJob& job) {
  if (job.pending.empty()) return true;
  try {
    (*job.sink)(job.pending);
  } catch (...) {
    job.sinkError = std::current_exception();
    return false;
  }
  job.pending.clear();
  return true;
}

bool Append(TPngJob& job, const std::uint8_t* data, std::size_t n) {
  try {
    job.pending.insert(job.pending.end(), data, data + n);
  } catch (...) {
    job.sinkError = std::current_exception();
    return false;
  }
  return job.pending.size() < kSinkChunk || Drain(job);
}

// No exception may cross libpng's C frames, and nothing with a destructor may be alive
// here when png_error longjmps out.
void OnWrite(png_structp png, png_bytep data, png_size_t n) {
  if (!Append(*static_cast<TPngJob*>(png_get_io_ptr(png)), data, n)) png_error(png, "Write error");
}

void OnFlush(png_structp) {}

// The one frame with setjmp: job.png and job.info are set by the caller, which also
// destroys them. Returns false when libpng reported an error.
bool EncodeImage(TPngJob& job) {
  if (setjmp(png_jmpbuf(job.png))) return false;
  png_structp png = job.png;
  png_infop info = job.info;
  const TIndexedBitmap& bmp = *job.bmp;

  png_set_write_fn(png, &job, OnWrite, OnFlush);
  png_set_compression_level(png, 9);
  // libpng's default limit (a million pixels a side) is below what a document can ask for.
  png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
  png_set_IHDR(png, info, static_cast<png_uint_32>(bmp.Width()),
               static_cast<png_uint_32>(bmp.Height()), 8, PNG_COLOR_TYPE_PALETTE,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color plte[256];
  for (int i = 0; i < 256; ++i) {
    const std::uint32_t c = bmp.Colours[static_cast<std::size_t>(i)];  // 0x00RRGGBB
    plte[i].red = static_cast<png_byte>(c >> 16);
    plte[i].green = static_cast<png_byte>(c >> 8);
    plte[i].blue = static_cast<png_byte>(c);
  }
  png_set_PLTE(png, info, plte, 256);
  png_byte alpha[256];
  std::memset(alpha, 255, sizeof alpha);
  alpha[job.transparent] = 0;
  png_set_tRNS(png, info, alpha, job.transparent + 1, nullptr);

  png_write_info(png, info);
  for (std::int32_t y = 0; y < bmp.Height(); ++y) png_write_row(png, bmp.Row(y));
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

int TransparentIndex(const TIndexedBitmap& bmp) {
  if (bmp.Empty()) return -1;
  const std::uint32_t rgb = bmp.Colours[bmp.Row(bmp.Height() - 1)[0]] & 0x00FFFFFFu;
  int k = 0;
  while ((bmp.Colours[static_cast<std::size_t>(k)] & 0x00FFFFFFu) != rgb) ++k;
  return k;
}

void EncodePng(const TIndexedBitmap& bmp, const TPngSink& sink) {
  if (bmp.Empty()) throw TError("There is no image to export");

  TPngJob job;
  job.sink = &sink;
  job.bmp = &bmp;
  job.transparent = TransparentIndex(bmp);
  job.pending.reserve(kSinkChunk + 8192);

  job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, OnError, OnWarning);
  if (job.png != nullptr) job.info = png_create_info_struct(job.png);
  bool ok = job.info != nullptr && EncodeImage(job);
  png_destroy_write_struct(&job.png, &job.info);
  if (ok) ok = Drain(job);
  if (job.sinkError) std::rethrow_exception(job.sinkError);
  if (!ok)
    throw TError(std::string("Cannot encode the image. ") +
                 (job.reason[0] != '\0' ? job.reason : "Out of memory"));
}

void WritePng(const std::string& path, const TIndexedBitmap& bmp) {
  if (bmp.Empty()) throw TError("There is no image to export");
  TAtomicFile file(path);
  EncodePng(bmp, [&file](std::span<const std::uint8_t> bytes) { file.Write(bytes); });
  file.Commit();
}

}  // namespace tegulo
