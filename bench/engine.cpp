// The document engine's hot paths: hit testing the pointer over a crowded page, and a page's trip
// through XML. pugixml parsing the same page text is the peer for the load.

#include <benchmark/benchmark.h>

#include <pugixml.hpp>
#include <random>

#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "storage/XmlDocuments.h"

namespace kivrano {
namespace {

constexpr int kShapes = 2000;
constexpr int kProbes = 1000;

// A document whose current page holds kShapes shapes scattered over the paper, a quarter of them
// turned, and the pointer positions to probe.
struct CrowdedPage {
  TdtpDocument doc;
  std::vector<TPoint> probes;

  CrowdedPage() {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> x(0, 200), y(0, 280), size(3, 20), angle(0, 360);
    doc.LockUndo();
    doc.BeginUpdate();
    for (int i = 0; i < kShapes; ++i) {
      auto shape = std::make_unique<TdtpShape>();
      shape->SetBoundsAndAngle(x(random), y(random), size(random), size(random), i % 4 == 0 ? angle(random) : 0);
      shape->SetSmartHitTest(false);
      shape->SetName("speler" + std::to_string(i));
      doc.AddShape(std::move(shape));
    }
    doc.EndUpdate();
    doc.UnlockUndo();
    std::uniform_int_distribution<int> px(0, 1300), py(0, 1800);
    for (int i = 0; i < kProbes; ++i) probes.push_back(TPoint{px(random), py(random)});
  }

  // The topmost selectable shape under p, as a press on the page looks for it.
  TdtpShape* ShapeAt(TPoint p) {
    for (int i = doc.ShapeCount() - 1; i >= 0; --i) {
      TdtpShape* s = doc.Shapes(i);
      if (s->IsSelectable() && s->HitTest(p)) return s;
    }
    return nullptr;
  }

  std::string PageXml() {
    TXmlDocument xml("Page");
    xml.SetStoreDefaults(false);
    doc.CurrentPage()->SaveToXml(xml.Root());
    return xml.AsText();
  }
};

void BM_HitTest1000Positions(benchmark::State& state) {
  CrowdedPage page;
  int hits = 0;
  for (auto _ : state) {
    for (const TPoint& p : page.probes) hits += page.ShapeAt(p) != nullptr;
  }
  benchmark::DoNotOptimize(hits);
  state.counters["probes/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kProbes,
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_HitTest1000Positions)->Unit(benchmark::kMillisecond);

void BM_SavePageToXml(benchmark::State& state) {
  CrowdedPage page;
  size_t bytes = 0;
  for (auto _ : state) bytes = page.PageXml().size();
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_SavePageToXml)->Unit(benchmark::kMillisecond);

void BM_LoadPageFromXml(benchmark::State& state) {
  CrowdedPage page;
  const std::string text = page.PageXml();
  for (auto _ : state) {
    TdtpDocument doc;
    doc.LockUndo();
    TXmlDocument xml;
    xml.ParseText(text);
    doc.CurrentPage()->LoadFromXml(xml.Root());
    doc.UnlockUndo();
    if (doc.ShapeCount() != kShapes) state.SkipWithError("shapes lost");
  }
}
BENCHMARK(BM_LoadPageFromXml)->Unit(benchmark::kMillisecond);

void BM_ParsePageXmlOnly(benchmark::State& state) {
  CrowdedPage page;
  const std::string text = page.PageXml();
  for (auto _ : state) {
    TXmlDocument xml;
    xml.ParseText(text);
    benchmark::DoNotOptimize(xml.Root());
  }
}
BENCHMARK(BM_ParsePageXmlOnly)->Unit(benchmark::kMillisecond);

void BM_Peer_PugixmlParseSamePage(benchmark::State& state) {
  CrowdedPage page;
  const std::string text = page.PageXml();
  for (auto _ : state) {
    pugi::xml_document xml;
    xml.load_buffer(text.data(), text.size());
    benchmark::DoNotOptimize(xml.first_child());
  }
}
BENCHMARK(BM_Peer_PugixmlParseSamePage)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kivrano

BENCHMARK_MAIN();
