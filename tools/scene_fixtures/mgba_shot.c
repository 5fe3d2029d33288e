// Runs a GBA ROM in libmgba for a number of frames, then writes the emulator's state as its
// frontend saves it (a PNG state: the frame in the picture, the state in a gbAs chunk) and
// the last frame alone as a PNG; then, for each LAYER OUT pair, one more frame with only
// that layer on (0-3 BG0-BG3, 4 the sprites) as OUT. Fixture maker only: nothing in the
// build needs libmgba.
//
//   mgba_shot ROM FRAMES STATE.png FRAME.png [LAYER OUT.png]...
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>

// The build flags first: png-io.h declares its functions only when they say USE_PNG.
#include <mgba/flags.h>

#include <mgba-util/png-io.h>
#include <mgba-util/vfs.h>
#include <mgba/core/core.h>
#include <mgba/core/serialize.h>

static bool WriteFrame(const char* path, const color_t* frame, unsigned width, unsigned height) {
  struct VFile* out = VFileOpen(path, O_CREAT | O_TRUNC | O_WRONLY);
  if (out == NULL) return false;
  png_structp png = PNGWriteOpen(out);
  png_infop info = PNGWriteHeader(png, width, height);
  const bool ok = PNGWritePixels(png, width, height, width, frame);
  PNGWriteClose(png, info);
  out->close(out);
  return ok;
}

static int Fail(const char* what, const char* path) {
  fprintf(stderr, "mgba_shot: %s %s\n", what, path);
  return 1;
}

int main(int argc, char** argv) {
  if (argc < 5 || argc % 2 == 0) {
    fprintf(stderr, "usage: mgba_shot ROM FRAMES STATE.png FRAME.png [LAYER OUT.png]...\n");
    return 2;
  }
  struct mCore* core = mCoreFind(argv[1]);
  if (core == NULL || !core->init(core)) return Fail("no core for", argv[1]);
  mCoreInitConfig(core, NULL);
  unsigned width = 0, height = 0;
  core->desiredVideoDimensions(core, &width, &height);
  color_t* frame = calloc((size_t)width * height, sizeof(color_t));
  core->setVideoBuffer(core, frame, width);
  if (!mCoreLoadFile(core, argv[1])) return Fail("cannot load", argv[1]);
  core->reset(core);
  const int frames = atoi(argv[2]);
  for (int i = 0; i < frames; ++i) core->runFrame(core);

  struct VFile* state = VFileOpen(argv[3], O_CREAT | O_TRUNC | O_WRONLY);
  if (state == NULL || !mCoreSaveStateNamed(core, state, SAVESTATE_SCREENSHOT)) {
    return Fail("cannot write", argv[3]);
  }
  state->close(state);

  if (!WriteFrame(argv[4], frame, width, height)) return Fail("cannot write", argv[4]);
  for (int i = 5; i + 1 < argc; i += 2) {
    const int alone = atoi(argv[i]);
    for (int layer = 0; layer < 5; ++layer) core->enableVideoLayer(core, layer, layer == alone);
    // The renderer looks at the switches when DISPCNT is written: loading the state back
    // writes it again.
    struct VFile* again = VFileOpen(argv[3], O_RDONLY);
    if (again == NULL || !mCoreLoadStateNamed(core, again, 0))
      return Fail("cannot reload", argv[3]);
    again->close(again);
    core->runFrame(core);
    if (!WriteFrame(argv[i + 1], frame, width, height)) return Fail("cannot write", argv[i + 1]);
  }
  core->deinit(core);
  free(frame);
  return 0;
}
