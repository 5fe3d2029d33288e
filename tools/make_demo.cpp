// tegulo-make-demo: writes the demo ROM image and document that the build ships,
// tegulo-demo.sfc and tegulo-demo.tgl, into the folder given.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "demo/demo_rom.h"
#include "entries/document.h"
#include "rom/rom_file.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("Usage: tegulo-make-demo OUTDIR\n", stderr);
    return 2;
  }
  try {
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    const tegulo::demo::TDemo demo = tegulo::demo::BuildDemo();
    tegulo::WriteBytesFile((dir / "tegulo-demo.sfc").string(), demo.rom);
    tegulo::SaveDocument((dir / "tegulo-demo.tgl").string(), demo.Entries());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tegulo-make-demo: %s\n", e.what());
    return 1;
  }
  return 0;
}
