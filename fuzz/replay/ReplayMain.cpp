// Replays a fuzz harness over a folder of seed inputs and over deterministic mutations of each seed
// (truncations, bit flips, byte overwrites, spliced repeats), so that the harnesses run in every
// test build without a fuzzing engine.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Bytes = std::vector<uint8_t>;

void Run(const Bytes& input) { LLVMFuzzerTestOneInput(input.data(), input.size()); }

// A small linear congruential generator: the same mutations on every run.
struct Lcg {
  uint64_t state;
  uint32_t Next() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>(state >> 33);
  }
};

void RunMutations(const Bytes& seed, int count) {
  Lcg rng{seed.size() * 2654435761ULL + 1};
  for (size_t cut = 0; cut < seed.size(); cut += 1 + seed.size() / 16) {
    Run(Bytes(seed.begin(), seed.begin() + static_cast<std::ptrdiff_t>(cut)));
  }
  if (seed.empty()) return;
  static const uint8_t kInteresting[] = {0x00, 0x01, 0x7F, 0x80, 0xFF, 0xFE, '<', '>', '"', '&'};
  for (int i = 0; i < count; ++i) {
    Bytes m = seed;
    int edits = 1 + static_cast<int>(rng.Next() % 4);
    for (int e = 0; e < edits; ++e) {
      size_t at = rng.Next() % m.size();
      switch (rng.Next() % 4) {
        case 0: m[at] ^= static_cast<uint8_t>(1u << (rng.Next() % 8)); break;
        case 1: m[at] = kInteresting[rng.Next() % sizeof(kInteresting)]; break;
        case 2: m[at] = static_cast<uint8_t>(rng.Next()); break;
        default: {
          size_t len = 1 + rng.Next() % 8;
          size_t from = rng.Next() % m.size();
          for (size_t k = 0; k < len && from + k < m.size() && at + k < m.size(); ++k) m[at + k] = m[from + k];
        }
      }
    }
    Run(m);
  }
}

}  // namespace

int main(int argc, char** argv) {
  int inputs = 0;
  Run({});
  for (int a = 1; a < argc; ++a) {
    std::filesystem::path path(argv[a]);
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::directory_iterator(path))
        if (entry.is_regular_file()) files.push_back(entry.path());
    } else if (std::filesystem::exists(path)) {
      files.push_back(path);
    }
    for (const auto& file : files) {
      std::ifstream in(file, std::ios::binary);
      Bytes seed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      Run(seed);
      RunMutations(seed, 300);
      ++inputs;
    }
  }
  std::printf("replayed %d seed files with mutations\n", inputs);
  return 0;
}
