// PNG import with libpng: the file read from memory, libpng's transforms bringing every kind
// of PNG to indices or 8-bit RGBA, then the colours matched against the entry's palette.
#include "image/png_reader.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>

#include "base/uCommon.h"

namespace tegulo {
namespace {

// What the callbacks and the setjmp frames share. Plain data only: libpng longjmps across
// these frames, so nothing here may need a destructor.
struct TReadJob {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t at = 0;
  png_structp png = nullptr;
  png_infop info = nullptr;
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  bool indexed = false;
  png_bytepp rows = nullptr;
  char reason[200] = {};
};

void OnError(png_structp png, png_const_charp msg) {
  auto& job = *static_cast<TReadJob*>(png_get_error_ptr(png));
  if (job.reason[0] == '\0') std::snprintf(job.reason, sizeof job.reason, "%s", msg);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep out, png_size_t n) {
  auto& job = *static_cast<TReadJob*>(png_get_io_ptr(png));
  if (n > job.size - job.at) png_error(png, "the file ends too early");
  std::memcpy(out, job.data + job.at, n);
  job.at += n;
}

// Reads the header up to the first picture data. False when libpng reported an error.
bool ReadHeader(TReadJob& job) {
  if (setjmp(png_jmpbuf(job.png))) return false;
  png_set_read_fn(job.png, &job, OnRead);
  png_set_user_limits(job.png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);  // the caller checks the size
  png_read_info(job.png, job.info);
  job.width = png_get_image_width(job.png, job.info);
  job.height = png_get_image_height(job.png, job.info);
  return true;
}

// Sets up the transforms. libpng allocates its row buffers here, for the width the header
// claims, so the size is checked before. False when libpng reported an error.
bool SetTransforms(TReadJob& job) {
  if (setjmp(png_jmpbuf(job.png))) return false;
  png_structp png = job.png;
  png_infop info = job.info;
  const int type = png_get_color_type(png, info);
  const int depth = png_get_bit_depth(png, info);
  job.indexed = type == PNG_COLOR_TYPE_PALETTE;
  if (job.indexed) {
    png_set_packing(png);  // 1, 2 and 4 bits to one byte a pixel, indices kept
  } else {
    if (depth == 16) png_set_scale_16(png);
    if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) {
      if (depth < 8) png_set_expand_gray_1_2_4_to_8(png);
      png_set_gray_to_rgb(png);
    }
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if ((type & PNG_COLOR_MASK_ALPHA) == 0) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  return true;
}

bool ReadRows(TReadJob& job) {
  if (setjmp(png_jmpbuf(job.png))) return false;
  png_read_image(job.png, job.rows);
  return true;
}

struct TPngStructs {
  TReadJob& job;
  ~TPngStructs() { png_destroy_read_struct(&job.png, &job.info, nullptr); }
};

std::string ColourText(std::uint32_t rgb) {
  char text[16];
  std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(rgb & 0xFFFFFFu));
  return text;
}

// The pixels without a palette colour: counted, the first few named.
struct TMissing {
  static constexpr std::size_t kNamed = 5;
  std::size_t count = 0;
  std::string named;

  void Add(std::size_t i, std::int32_t width, std::uint32_t rgb) {
    if (count++ >= kNamed) return;
    const std::size_t x = i % static_cast<std::size_t>(width);
    const std::size_t y = i / static_cast<std::size_t>(width);
    named += (named.empty() ? "" : ", ") + std::string("(") + std::to_string(x) + ", " +
             std::to_string(y) + ") " + ColourText(rgb);
  }
  void Throw() const {
    if (count == 0) return;
    throw TColoursNotInPalette("The picture has " + std::to_string(count) +
                               (count == 1 ? " pixel whose colour is" : " pixels whose colour is") +
                               " not in the palette: " + named + (count > kNamed ? ", ..." : ""));
  }
};

}  // namespace

TPngPicture ReadPng(std::span<const std::uint8_t> file, const TPngSizeCheck& check) {
  if (file.size() < 8 || png_sig_cmp(file.data(), 0, 8) != 0) throw TError("Not a PNG file");
  TReadJob job;
  job.data = file.data();
  job.size = file.size();
  const auto damaged = [&job] {
    return TError(std::string("The PNG file is damaged or cut short (") + job.reason + ")");
  };
  job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, OnError, OnWarning);
  if (job.png == nullptr) throw TError("Out of memory");
  TPngStructs owner{job};
  job.info = png_create_info_struct(job.png);
  if (job.info == nullptr) throw TError("Out of memory");
  if (!ReadHeader(job)) throw damaged();
  if (job.width > static_cast<png_uint_32>(kMaxPictureSide) ||
      job.height > static_cast<png_uint_32>(kMaxPictureSide)) {
    throw TError("The picture is " + std::to_string(job.width) + " x " +
                 std::to_string(job.height) + " pixels; the largest that can be read is " +
                 std::to_string(kMaxPictureSide) + " x " + std::to_string(kMaxPictureSide));
  }
  if (check) check(job.width, job.height);
  if (!SetTransforms(job)) throw damaged();
  TPngPicture pic;
  pic.width = static_cast<std::int32_t>(job.width);
  pic.height = static_cast<std::int32_t>(job.height);
  pic.indexed = job.indexed;
  png_colorp plte = nullptr;
  int plteCount = 0;
  if (job.indexed && png_get_PLTE(job.png, job.info, &plte, &plteCount) != 0) {
    for (int i = 0; i < plteCount; ++i) {
      pic.colours.push_back(plte[i].red | (std::uint32_t{plte[i].green} << 8) |
                            (std::uint32_t{plte[i].blue} << 16));
    }
  }
  const std::size_t rowBytes = static_cast<std::size_t>(job.width) * (job.indexed ? 1 : 4);
  if (png_get_rowbytes(job.png, job.info) != rowBytes) {
    std::snprintf(job.reason, sizeof job.reason, "unexpected row layout");
    throw damaged();
  }
  pic.samples.resize(rowBytes * job.height);
  std::vector<png_bytep> rows(job.height);
  for (png_uint_32 y = 0; y < job.height; ++y) rows[y] = pic.samples.data() + rowBytes * y;
  job.rows = rows.data();
  if (!ReadRows(job)) throw damaged();
  return pic;
}

TPixelImage PictureIndices(const TPngPicture& picture, std::span<const std::uint32_t> palette,
                           std::optional<std::uint32_t> indexZero, TColourMatch match,
                           TColourMatchReport* report) {
  TPixelImage img{picture.width, picture.height, {}};
  if (picture.indexed) {
    img.pixels = picture.samples;
    return img;
  }
  const TColourMatcher matcher(palette, indexZero, match);
  // Colours as 0x00RRGGBB (the order of the message) to their index, -1 for none, and the
  // distance a colour moved.
  struct TFound {
    int index;
    double distance;
  };
  std::unordered_map<std::uint32_t, TFound> known;
  TColourMatchReport moved;
  img.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height);
  TMissing missing;
  const std::uint8_t* s = picture.samples.data();
  for (std::size_t i = 0; i < img.pixels.size(); ++i, s += 4) {
    if (s[3] == 0) {
      img.pixels[i] = 0;
      continue;
    }
    const std::uint32_t rgb = static_cast<std::uint32_t>(s[0]) << 16 | s[1] << 8 | s[2];
    auto found = known.find(rgb);
    if (found == known.end()) {
      double distance = 0;
      const std::optional<std::uint8_t> index = matcher.Find(rgb, &distance);
      found = known.emplace(rgb, TFound{index ? int{*index} : -1, distance}).first;
    }
    if (found->second.index < 0) {
      missing.Add(i, picture.width, rgb);
      continue;
    }
    img.pixels[i] = static_cast<std::uint8_t>(found->second.index);
    if (found->second.distance > 0) {
      ++moved.moved;
      moved.largest = std::max(moved.largest, found->second.distance);
    }
  }
  missing.Throw();
  if (report != nullptr) *report = moved;
  return img;
}

}  // namespace tegulo
