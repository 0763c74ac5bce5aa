// Drawing files of 25 drill pages (about 40 figures each): opening (index, thumbnails and page 1),
// saving after a change on one page, and saving every page under a new name. The peer is the
// least a safe save can cost: reading the whole file and writing a synced copy renamed over it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "shapes/dtpFigures.h"
#include "shapes/dtpShapeClasses.h"

namespace {

using namespace kivrano;
namespace fs = std::filesystem;

constexpr int kPages = 25;
constexpr int kShapesPerPage = 40;

fs::path WorkDir() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / ("kivrano_bench_drawing_" + std::to_string(getpid()));
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

void BuildDrill(TdtpDocument& doc) {
  doc.NewDocument();
  doc.SetUndoEnabled(false);
  for (int p = 1; p < kPages; ++p) doc.AddPage(nullptr);
  for (int p = 0; p < kPages; ++p) {
    doc.SetCurrentPageIndex(p);
    for (int s = 0; s < kShapesPerPage; ++s) {
      std::unique_ptr<TdtpShape> shape;
      if (s % 2 == 0) {
        shape = std::make_unique<TdtpEllipseShape>();
      } else {
        shape = std::make_unique<TdtpRectangleShape>();
      }
      shape->SetBounds(10.0f + static_cast<float>((s * 37 + p) % 170), 10.0f + static_cast<float>((s * 53) % 260), 8,
                       8);
      shape->SetName("Player " + std::to_string(s));
      doc.AddShape(std::move(shape));
    }
  }
  doc.SetCurrentPageIndex(0);
}

const std::string& DrillFile() {
  static const std::string file = [] {
    RegisterStandardShapeClasses();
    const std::string path = (WorkDir() / "drill.hsf").string();
    TdtpDocument doc;
    BuildDrill(doc);
    doc.SaveToFile(path);
    return path;
  }();
  return file;
}

void BM_OpenDrawing(benchmark::State& state) {
  const std::string& file = DrillFile();
  for (auto _ : state) {
    TdtpDocument doc;
    doc.LoadFromFile(file);
    benchmark::DoNotOptimize(doc.PageCount());
  }
}
BENCHMARK(BM_OpenDrawing)->Unit(benchmark::kMillisecond);

void BM_SaveAfterOneChange(benchmark::State& state) {
  const std::string file = (WorkDir() / "resave.hsf").string();
  fs::copy_file(DrillFile(), file, fs::copy_options::overwrite_existing);
  TdtpDocument doc;
  doc.LoadFromFile(file);
  doc.SetCurrentPageIndex(12);
  int round = 0;
  for (auto _ : state) {
    doc.Shapes(0)->SetName("Coach " + std::to_string(++round));
    doc.SaveToFile(file);
  }
}
BENCHMARK(BM_SaveAfterOneChange)->Unit(benchmark::kMillisecond);

void BM_SaveEveryPageUnderNewName(benchmark::State& state) {
  TdtpDocument doc;
  doc.LoadFromFile(DrillFile());
  int round = 0;
  for (auto _ : state) {
    doc.SaveToFile((WorkDir() / ("copy" + std::to_string(++round % 2) + ".hsf")).string());
  }
}
BENCHMARK(BM_SaveEveryPageUnderNewName)->Unit(benchmark::kMillisecond);

// Peer: read the whole file, write a copy, sync it and rename it over the target.
void BM_PeerSyncedCopy(benchmark::State& state) {
  const fs::path target = WorkDir() / "peer.hsf";
  const fs::path temp = WorkDir() / "peer.tmp";
  fs::copy_file(DrillFile(), target, fs::copy_options::overwrite_existing);
  for (auto _ : state) {
    std::vector<char> bytes;
    {
      std::ifstream in(target, std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    benchmark::DoNotOptimize(::write(fd, bytes.data(), bytes.size()));
    ::fsync(fd);
    ::close(fd);
    fs::rename(temp, target);
  }
}
BENCHMARK(BM_PeerSyncedCopy)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
