// PNG export with libpng: one palette image, exactly the chunks the format needs.
#include "image/png_writer.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/uCommon.h"

namespace tegulo {
namespace {

// Everything the libpng callbacks and the setjmp frame share. Plain data only: libpng
// longjmps across these frames, so nothing here may need a destructor.
struct TPngJob {
  std::FILE* file = nullptr;
  const TIndexedBitmap* bmp = nullptr;
  int transparent = 0;
  png_structp png = nullptr;
  png_infop info = nullptr;
  char reason[256] = {};  // first failure: the system's reason, else libpng's message
};

void Remember(TPngJob& job, const char* text) {
  if (job.reason[0] == '\0') std::snprintf(job.reason, sizeof job.reason, "%s", text);
}

void OnError(png_structp png, png_const_charp msg) {
  Remember(*static_cast<TPngJob*>(png_get_error_ptr(png)), msg);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnWrite(png_structp png, png_bytep data, png_size_t n) {
  auto& job = *static_cast<TPngJob*>(png_get_io_ptr(png));
  if (std::fwrite(data, 1, n, job.file) != n) {
    Remember(job, std::strerror(errno));
    png_error(png, "Write error");
  }
}

void OnFlush(png_structp png) {
  auto& job = *static_cast<TPngJob*>(png_get_io_ptr(png));
  if (std::fflush(job.file) != 0) {
    Remember(job, std::strerror(errno));
    png_error(png, "Write error");
  }
}

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

[[noreturn]] void CannotCreate(const std::string& path, const char* reason) {
  throw TError("Cannot create file \"" + path + "\". " + reason);
}

}  // namespace

int TransparentIndex(const TIndexedBitmap& bmp) {
  if (bmp.Empty()) return -1;
  const std::uint32_t rgb = bmp.Colours[bmp.Row(bmp.Height() - 1)[0]] & 0x00FFFFFFu;
  int k = 0;
  while ((bmp.Colours[static_cast<std::size_t>(k)] & 0x00FFFFFFu) != rgb) ++k;
  return k;
}

void WritePng(const std::string& path, const TIndexedBitmap& bmp) {
  if (bmp.Empty()) throw TError("There is no image to export");

  TPngJob job;
  job.bmp = &bmp;
  job.transparent = TransparentIndex(bmp);
  job.file = std::fopen(path.c_str(), "wb");
  if (job.file == nullptr) CannotCreate(path, std::strerror(errno));

  job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, OnError, OnWarning);
  if (job.png != nullptr) job.info = png_create_info_struct(job.png);
  bool ok = job.info != nullptr && EncodeImage(job);
  png_destroy_write_struct(&job.png, &job.info);
  if (!ok && job.reason[0] == '\0') Remember(job, "Out of memory");

  // Data still buffered in the stream may fail only now.
  if (std::fflush(job.file) != 0 && ok) {
    Remember(job, std::strerror(errno));
    ok = false;
  }
  if (std::fclose(job.file) != 0 && ok) {
    Remember(job, std::strerror(errno));
    ok = false;
  }
  if (!ok) {
    // Only a file of our own is removed, never a device or pipe that was named.
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) std::filesystem::remove(path, ec);
    CannotCreate(path, job.reason);
  }
}

}  // namespace tegulo
