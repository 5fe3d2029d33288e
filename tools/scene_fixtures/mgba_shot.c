// Runs a GBA ROM in libmgba for a number of frames, then writes the emulator's state as its
// frontend saves it (a PNG state: the frame in the picture, the state in a gbAs chunk) and
// the last frame alone as a PNG. Fixture maker only: nothing in the build needs libmgba.
//
//   mgba_shot ROM FRAMES STATE.png FRAME.png
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>

#include <mgba/flags.h>
#include <mgba/core/core.h>
#include <mgba/core/serialize.h>
#include <mgba-util/png-io.h>
#include <mgba-util/vfs.h>

static int Fail(const char* what, const char* path) {
  fprintf(stderr, "mgba_shot: %s %s\n", what, path);
  return 1;
}

int main(int argc, char** argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: mgba_shot ROM FRAMES STATE.png FRAME.png\n");
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

  struct VFile* out = VFileOpen(argv[4], O_CREAT | O_TRUNC | O_WRONLY);
  if (out == NULL) return Fail("cannot write", argv[4]);
  png_structp png = PNGWriteOpen(out);
  png_infop info = PNGWriteHeader(png, width, height);
  const bool ok = PNGWritePixels(png, width, height, width, frame);
  PNGWriteClose(png, info);
  out->close(out);
  if (!ok) return Fail("cannot write", argv[4]);
  core->deinit(core);
  free(frame);
  return 0;
}
