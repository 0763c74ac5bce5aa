// Drawing files of 25 drill pages: opening (index, thumbnails and page 1), saving after a change on
// one page, and the full first save of a new drawing. Every page carries what a drill sheet holds:
// a pitch of rectangles and lines, 20 players as figures with a small number shape each, arrows and
// freehand runs. The peer is the least a safe save can cost: reading the whole file and writing a
// synced copy renamed over it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "shapes/dtpFigures.h"
#include "shapes/dtpFreehandShape.h"
#include "shapes/dtpLineShape.h"
#include "shapes/dtpShapeClasses.h"

namespace {

using namespace kivrano;
namespace fs = std::filesystem;

constexpr int kPages = 25;
constexpr int kPlayers = 20;

fs::path WorkDir() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / ("kivrano_bench_archive_" + std::to_string(getpid()));
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

template <class T>
T& Add(TdtpPage& page, float left, float top, float width, float height) {
  auto shape = std::make_unique<T>();
  shape->SetBounds(left, top, width, height);
  T& added = *shape;
  page.AddShape(std::move(shape));
  return added;
}

void AddLine(TdtpPage& page, TFloatPoint from, TFloatPoint to, bool arrow) {
  auto& line = Add<TdtpLineShape>(page, 0, 0, 1, 1);
  line.SetPoint(0, from);
  line.SetPoint(1, to);
  line.SetLineWidth(0.5f);
  if (arrow) line.Arrows(1)->SetStyle(Arrow);
}

void BuildDrillPage(TdtpPage& page, int p) {
  const auto shift = static_cast<float>(p % 7);
  // The pitch: outline, halfway line, centre circle, penalty areas and goals.
  auto& pitch = Add<TdtpRectangleShape>(page, 15, 20, 180, 250);
  pitch.SetFillColor(0x0040A040);
  pitch.SetOutlineColor(0x00FFFFFF);
  AddLine(page, {15, 145}, {195, 145}, false);
  Add<TdtpEllipseShape>(page, 87, 127, 36, 36).SetUseFill(false);
  for (const float top : {20.0f, 230.0f}) {
    Add<TdtpRectangleShape>(page, 60, top, 90, 40).SetUseFill(false);
    Add<TdtpRectangleShape>(page, 90, top == 20.0f ? 16.0f : 270.0f, 30, 4).SetFillColor(0x00FFFFFF);
  }
  for (int i = 0; i < kPlayers; ++i) {
    const auto fi = static_cast<float>(i);
    std::unique_ptr<TdtpPolygonShape> player;
    if (i % 2 == 0) {
      player = std::make_unique<TdtpEllipseShape>();
    } else {
      player = std::make_unique<TdtpDrieHShape>();
    }
    player->SetBounds(25 + fmodf(fi * 37 + shift * 11, 160), 30 + fmodf(fi * 53 + shift * 5, 230), 8, 8);
    player->SetFillColor(i < 10 ? 0x000000FF : 0x00FF0000);
    player->SetName("S" + std::to_string(i + 1));
    auto number = std::make_unique<TdtpRectangleShape>();
    number->SetBounds(2, 2, 4, 4);
    number->SetName("Nummer " + std::to_string(i + 1));
    number->SetFillColor(0x00FFFFFF);
    player->AddShape(std::move(number));
    page.AddShape(std::move(player));
  }
  for (int i = 0; i < 6; ++i) {
    const auto fi = static_cast<float>(i);
    AddLine(page, {30 + fi * 25, 60 + shift}, {45 + fi * 25, 120 + shift * 3}, true);
  }
  for (int i = 0; i < 3; ++i) {
    auto& run = Add<TdtpFreehandShape>(page, 40 + static_cast<float>(i) * 50, 180, 1, 1);
    for (int k = 0; k < 40; ++k) {
      const auto fk = static_cast<float>(k);
      run.AddCapturedPoint({fk * 0.8f, 10 * sinf(fk / 4 + shift)});
    }
  }
}

void BuildDrill(TdtpDocument& doc) {
  doc.NewDocument();
  doc.SetUndoEnabled(false);
  for (int p = 1; p < kPages; ++p) doc.AddPage(nullptr);
  for (int p = 0; p < kPages; ++p) BuildDrillPage(*doc.Pages(p), p);
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
  state.counters["file_KiB"] = static_cast<double>(fs::file_size(file)) / 1024;
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
    doc.Shapes(5)->SetName("S" + std::to_string(++round));
    doc.SaveToFile(file);
  }
}
BENCHMARK(BM_SaveAfterOneChange)->Unit(benchmark::kMillisecond);

// Every page written and its thumbnail rendered, as for a drawing saved for the first time.
void BM_FullFirstSave(benchmark::State& state) {
  RegisterStandardShapeClasses();
  TdtpDocument doc;
  BuildDrill(doc);
  int round = 0;
  for (auto _ : state) {
    for (int p = 0; p < kPages; ++p) doc.Pages(p)->SetModified(true);
    doc.SaveToFile((WorkDir() / ("first" + std::to_string(++round % 2) + ".hsf")).string());
  }
}
BENCHMARK(BM_FullFirstSave)->Unit(benchmark::kMillisecond);

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
