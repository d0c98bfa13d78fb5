// Writes every picture of assets/ from its source: `make_art DIR` writes them under DIR,
// `make_art --check DIR` only compares and exits 1 when a file there differs.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

#include "assets/art/art.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  const bool check = argc == 3 && std::string_view(argv[1]) == "--check";
  if (argc != 2 && !check) {
    std::fprintf(stderr, "usage: %s [--check] ASSETS_DIR\n", argv[0]);
    return 2;
  }
  const fs::path dir = argv[argc - 1];
  int differing = 0;
  for (const auto& file : orvane::art::GenerateAll()) {
    const fs::path path = dir / file.path;
    if (check) {
      std::ifstream in(path, std::ios::binary);
      const orvane::art::Bytes old{std::istreambuf_iterator<char>(in), {}};
      if (old != file.bytes) {
        std::printf("differs: %s\n", file.path.c_str());
        ++differing;
      }
      continue;
    }
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.bytes.data()),
              static_cast<std::streamsize>(file.bytes.size()));
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("%8zu  %s\n", file.bytes.size(), file.path.c_str());
  }
  return differing == 0 ? 0 : 1;
}
