// Operations on a selection of 50 shapes on a crowded page: the XML round trip that copying by
// dragging and the clipboard make, grouping and ungrouping, and selecting by rubber band. pugixml
// parsing the same selection text is the peer for the parse.

#include <benchmark/benchmark.h>

#include <pugixml.hpp>
#include <random>
#include <vector>

#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "shapes/dtpShapeClasses.h"
#include "storage/XmlDocuments.h"

namespace kivrano {
namespace {

constexpr int kShapes = 2000;
constexpr int kSelected = 50;

// kShapes shapes scattered over the page, a quarter of them turned; every 40th is selected. Undo
// recording is off, so that repeated operations do not pile up records.
struct SelectionPage {
  TdtpDocument doc;

  SelectionPage() {
    RegisterStandardShapeClasses();
    doc.SetViewStyle(vsNormal);
    doc.SetScreenDpm(1);
    std::mt19937 random(11);
    std::uniform_real_distribution<float> x(0, 200), y(0, 280), size(3, 20), angle(0, 360);
    doc.LockUndo();
    doc.BeginUpdate();
    for (int i = 0; i < kShapes; ++i) {
      auto shape = std::make_unique<TdtpShape>();
      shape->SetBoundsAndAngle(x(random), y(random), size(random), size(random), i % 4 == 0 ? angle(random) : 0);
      shape->SetName("speler" + std::to_string(i));
      TdtpShape* added = shape.get();
      doc.AddShape(std::move(shape));
      added->SetSelected(i % (kShapes / kSelected) == 0);
    }
    doc.EndUpdate();
  }
};

// Copies the selection through XML, then deletes the copies and selects the originals again.
void BM_SelectionToXmlAndPaste50(benchmark::State& state) {
  SelectionPage page;
  std::vector<TdtpShape*> originals;
  for (int i = 0; i < page.doc.SelectionCount(); ++i) originals.push_back(page.doc.Selection(i));
  size_t bytes = 0;
  for (auto _ : state) {
    const std::string text = page.doc.SelectionToXml();
    bytes = text.size();
    if (page.doc.PasteXml(text) != kSelected) state.SkipWithError("shapes lost");
    page.doc.DeleteSelection();
    for (TdtpShape* s : originals) s->SetSelected(true);
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_SelectionToXmlAndPaste50)->Unit(benchmark::kMicrosecond);

void BM_ParseSelectionXml50(benchmark::State& state) {
  SelectionPage page;
  const std::string text = page.doc.SelectionToXml();
  for (auto _ : state) {
    TXmlDocument xml;
    xml.ParseText(text);
    benchmark::DoNotOptimize(xml.Root());
  }
}
BENCHMARK(BM_ParseSelectionXml50)->Unit(benchmark::kMicrosecond);

void BM_Peer_PugixmlParseSelectionXml50(benchmark::State& state) {
  SelectionPage page;
  const std::string text = page.doc.SelectionToXml();
  for (auto _ : state) {
    pugi::xml_document xml;
    xml.load_buffer(text.data(), text.size());
    benchmark::DoNotOptimize(xml.first_child());
  }
}
BENCHMARK(BM_Peer_PugixmlParseSelectionXml50)->Unit(benchmark::kMicrosecond);

void BM_GroupAndUngroup50(benchmark::State& state) {
  SelectionPage page;
  for (auto _ : state) {
    page.doc.GroupSelection();
    page.doc.UngroupSelection();
  }
  if (page.doc.SelectionCount() != kSelected) state.SkipWithError("selection lost");
}
BENCHMARK(BM_GroupAndUngroup50)->Unit(benchmark::kMicrosecond);

void BM_SelectInRectOf2000(benchmark::State& state) {
  SelectionPage page;
  for (auto _ : state) page.doc.SelectInRect(TRect{40, 40, 120, 160});
  state.counters["selected"] = page.doc.SelectionCount();
}
BENCHMARK(BM_SelectInRectOf2000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kivrano

BENCHMARK_MAIN();
