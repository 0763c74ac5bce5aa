// Reading and writing a page-like XML document of about 5 MB, side by side with pugixml.
#include <benchmark/benchmark.h>

#include <pugixml.hpp>

#include <string>
#include <vector>

#include "storage/XmlDocuments.h"

namespace {

using namespace kivrano;

// A page with shapes as the engine writes them: typed children, fonts, pens, attributes and now and
// then a picture payload.
const std::string& PageText() {
  static const std::string text = [] {
    TXmlDocument doc("Page");
    doc.SetLayout(xlIndented);
    TXmlNode* page = doc.Root();
    page->PutInteger("Index", 1, 0);
    TXmlNode* shapes = page->NewChild("Shapes");
    std::vector<uint8_t> picture(6000);
    for (size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<uint8_t>(i * 7 + i / 13);
    for (int i = 0; shapes->ChildCount() < 100000; ++i) {
      TXmlNode* shape = shapes->NewChild("Shape");
      shape->AddAttributeInt("ID", i);
      shape->PutString("ClassName", i % 3 ? "TdtpEllipseShape" : "TdtpTextShape", "");
      std::string name = std::to_string(i);
      name.append(" <speler> & \"doelman\"");
      shape->PutString("Name", name, "");
      shape->PutFloat("DocLeft", 10.25 + i * 0.37, 0);
      shape->PutFloat("DocTop", 20.5 + i * 0.11, 0);
      shape->PutFloat("DocWidth", 8, 0);
      shape->PutFloat("DocHeight", 8, 0);
      shape->PutFloat("DocAngle", (i * 7) % 360, 0);
      shape->PutColor("FillColor", 0x00FF8040 + i, 0);
      shape->PutBool("Visible", true, false);
      shape->PutFont("Font", TXmlFontData{"Verdana", 0x0000FF, 12, i % 2 == 0, false, false, false});
      shape->PutPen("Pen", TXmlPenData{0x000000, pmCopy, psSolid, 2});
      if (i % 100 == 0) shape->NewChild("Picture")->WriteBinary(picture.data(), picture.size());
      if (i % 500 == 499 && doc.AsText().size() > 5 * 1000 * 1000) break;
    }
    return doc.AsText();
  }();
  return text;
}

TMemoryStream PageStream() {
  const std::string& text = PageText();
  return TMemoryStream(std::vector<uint8_t>(text.begin(), text.end()));
}

// Reading: ParseStream takes the text as it is in memory, LoadFromStream the stored form through
// the text-encoding stream, as files and archive entries are read.
void BM_KivranoRead(benchmark::State& state, void (TXmlDocument::*read)(TStream&)) {
  TMemoryStream stream = PageStream();
  for (auto _ : state) {
    stream.SetPosition(0);
    TXmlDocument doc;
    (doc.*read)(stream);
    benchmark::DoNotOptimize(doc.Root());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(PageText().size()));
}
BENCHMARK_CAPTURE(BM_KivranoRead, ParseStream, &TXmlDocument::ParseStream)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_KivranoRead, LoadFromStream, &TXmlDocument::LoadFromStream)->Unit(benchmark::kMillisecond);

// Writing: WriteStream produces the text in memory, SaveToStream the stored form.
void BM_KivranoWrite(benchmark::State& state, void (TXmlDocument::*write)(TStream&)) {
  TMemoryStream stream = PageStream();
  TXmlDocument doc;
  doc.ParseStream(stream);
  doc.SetLayout(xlIndented);
  for (auto _ : state) {
    TMemoryStream out;
    (doc.*write)(out);
    benchmark::DoNotOptimize(out.Memory());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(PageText().size()));
}
BENCHMARK_CAPTURE(BM_KivranoWrite, WriteStream, &TXmlDocument::WriteStream)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_KivranoWrite, SaveToStream, &TXmlDocument::SaveToStream)->Unit(benchmark::kMillisecond);

void BM_PugiParse(benchmark::State& state) {
  const std::string& text = PageText();
  for (auto _ : state) {
    pugi::xml_document doc;
    pugi::xml_parse_result result = doc.load_buffer(text.data(), text.size());
    if (!result) state.SkipWithError("pugixml failed to parse");
    benchmark::DoNotOptimize(doc.first_child());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_PugiParse)->Unit(benchmark::kMillisecond);

void BM_PugiWrite(benchmark::State& state) {
  const std::string& text = PageText();
  pugi::xml_document doc;
  doc.load_buffer(text.data(), text.size());
  struct StringWriter : pugi::xml_writer {
    std::string out;
    void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
  };
  for (auto _ : state) {
    StringWriter writer;
    doc.save(writer, "  ", pugi::format_default, pugi::encoding_utf8);
    benchmark::DoNotOptimize(writer.out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_PugiWrite)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
