// Writing, reading and packing an archive of 200 streams of 1 KiB to 4 MiB, side by side with plain
// files holding the same bytes (one file per stream; for packing, one copy of the bytes that stay).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "storage/SingleFileStorage.h"

namespace {

using namespace kivrano;
namespace fs = std::filesystem;

struct Corpus {
  std::vector<std::string> names;
  std::vector<std::vector<uint8_t>> contents;
  int64_t total = 0;
  int64_t kept = 0;  // bytes of the odd-numbered streams, which survive before packing
};

// 200 sizes spread evenly on a log scale from 1 KiB to 4 MiB, in a shuffled order.
const Corpus& TheCorpus() {
  static const Corpus corpus = [] {
    Corpus c;
    uint32_t x = 12345;
    for (int i = 0; i < 200; ++i) {
      int j = (i * 73) % 200;
      auto size = static_cast<size_t>(1024.0 * std::pow(4096.0, j / 199.0));
      std::vector<uint8_t> bytes(size);
      for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
      }
      c.names.push_back("Page" + std::to_string(1000 + i) + ".xml");
      c.total += static_cast<int64_t>(size);
      if (i % 2 == 1) c.kept += static_cast<int64_t>(size);
      c.contents.push_back(std::move(bytes));
    }
    return c;
  }();
  return corpus;
}

fs::path WorkDir() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / ("kivrano_bench_storage_" + std::to_string(::getpid()));
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

void WritePlain(const fs::path& path, const std::vector<uint8_t>& bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
}

std::vector<uint8_t> ReadPlain(const fs::path& path) {
  std::vector<uint8_t> bytes(static_cast<size_t>(fs::file_size(path)));
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  return bytes;
}

void WriteArchive(const fs::path& path) {
  const Corpus& c = TheCorpus();
  fs::remove(path);
  TSingleStorage storage;
  storage.SetFileName(path.string());
  for (size_t i = 0; i < c.names.size(); ++i) {
    TMemoryStream source(c.contents[i]);
    storage.AddStream(source, c.names[i]);
  }
}

void BM_ArchiveWrite(benchmark::State& state) {
  const fs::path path = WorkDir() / "write.hsf";
  for (auto _ : state) WriteArchive(path);
  state.SetBytesProcessed(state.iterations() * TheCorpus().total);
}

void BM_PlainFilesWrite(benchmark::State& state) {
  const Corpus& c = TheCorpus();
  const fs::path dir = WorkDir() / "plain";
  fs::create_directories(dir);
  for (auto _ : state) {
    // Removed first, as the archive is: rewriting a truncated file costs the file system more.
    for (size_t i = 0; i < c.names.size(); ++i) {
      fs::remove(dir / c.names[i]);
      WritePlain(dir / c.names[i], c.contents[i]);
    }
  }
  state.SetBytesProcessed(state.iterations() * c.total);
}

void BM_ArchiveRead(benchmark::State& state) {
  const Corpus& c = TheCorpus();
  const fs::path path = WorkDir() / "read.hsf";
  WriteArchive(path);
  TSingleStorage storage;
  storage.SetFileName(path.string());
  for (auto _ : state) {
    for (const std::string& name : c.names) {
      TMemoryStream target;
      storage.ReadStream(name, target);
      benchmark::DoNotOptimize(target.Memory());
    }
  }
  state.SetBytesProcessed(state.iterations() * c.total);
}

void BM_PlainFilesRead(benchmark::State& state) {
  const Corpus& c = TheCorpus();
  const fs::path dir = WorkDir() / "plain_read";
  fs::create_directories(dir);
  for (size_t i = 0; i < c.names.size(); ++i) WritePlain(dir / c.names[i], c.contents[i]);
  for (auto _ : state) {
    for (const std::string& name : c.names) benchmark::DoNotOptimize(ReadPlain(dir / name).data());
  }
  state.SetBytesProcessed(state.iterations() * c.total);
}

// Packing after every other stream was deleted: the surviving half moves down.
void BM_ArchivePack(benchmark::State& state) {
  const Corpus& c = TheCorpus();
  const fs::path original = WorkDir() / "pack_source.hsf";
  WriteArchive(original);
  {
    TSingleStorage storage;
    storage.SetFileName(original.string());
    for (size_t i = 0; i < c.names.size(); i += 2) storage.DeleteStream(c.names[i]);
  }
  const fs::path path = WorkDir() / "pack.hsf";
  for (auto _ : state) {
    state.PauseTiming();
    fs::copy_file(original, path, fs::copy_options::overwrite_existing);
    state.ResumeTiming();
    TSingleStorage storage;
    storage.SetFileName(path.string());
    storage.Pack();
  }
  state.SetBytesProcessed(state.iterations() * c.kept);
}

// The physical work of packing: the surviving bytes read and written once into another file.
void BM_PlainCopyOfKeptBytes(benchmark::State& state) {
  const Corpus& c = TheCorpus();
  const fs::path source = WorkDir() / "kept_source.bin";
  const fs::path target = WorkDir() / "kept_target.bin";
  {
    std::vector<uint8_t> kept;
    for (size_t i = 1; i < c.contents.size(); i += 2) kept.insert(kept.end(), c.contents[i].begin(), c.contents[i].end());
    WritePlain(source, kept);
  }
  for (auto _ : state) WritePlain(target, ReadPlain(source));
  state.SetBytesProcessed(state.iterations() * c.kept);
}

BENCHMARK(BM_ArchiveWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainFilesWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ArchiveRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainFilesRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ArchivePack)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainCopyOfKeptBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(WorkDir());
  return 0;
}
