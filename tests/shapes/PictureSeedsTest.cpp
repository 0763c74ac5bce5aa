// The page seed of fuzz_page_xml with pictures: an embedded PNG, a decoded-picture (".hck") PNG
// stand-in, and a metafile with its own pen and brush overridden.

#include <gtest/gtest.h>

#include <memory>

#include "PictureShapeSupport.h"
#include "ShapeTestSupport.h"
#include "platform/BmpCodec.h"
#include "shapes/dtpBitmapShape.h"
#include "shapes/dtpExposedMetafile.h"
#include "storage/XmlDocuments.h"
#include "storage/dtpResource.h"
#include "support/FuzzSeeds.h"
#include "support/MetafileWriter.h"

namespace kivrano {
namespace {

class PictureSeeds : public testing::PictureViewTest {};

TEST_F(PictureSeeds, PageWithPicturesMatchesItsSeed) {
  auto png = std::make_unique<TdtpBitmapShape>();
  png->SetBounds(2, 2, 10, 6);
  png->Resource().LoadFromFile(WriteFile("p.png", testing::PngOf(testing::HalfTransparent(8, 4))));
  png->SetDocAngle(20);
  Add(std::move(png));

  TBmpImage bmp;
  bmp.Width = 3;
  bmp.Height = 2;
  bmp.Pixels = {0xFF0000FF, 0x80FF0000, 0x0000FF00, 0xFFFFFFFF, 0xFF000000, 0x40404040};
  auto decoded = std::make_unique<TdtpBitmapShape>();
  decoded->Resource().LoadFromFile(WriteFile("p.unknown", EncodeBmp(bmp, 32)));
  Add(std::move(decoded));

  testing::TMetafileWriter w(TRect{0, 0, 39, 29}, TRect{0, 0, 400, 300});
  w.Pen(1, 0, 2, 0x0000FF).Brush(2, 2, 0xFF0000, 3).Select(1).Select(2);
  w.Record(emrEllipse, {2, 2, 38, 28}).Poly(emrPolyline16, {{0, 0}, {39, 29}});
  auto metafile = std::make_unique<TdtpExposedMetafile>();
  metafile->SetBounds(20, 10, 20, 15);
  metafile->Resource().LoadFromFile(WriteFile("m.emf", w.Finish()));
  metafile->SetOverridePen(true);
  metafile->SetOverrideBrush(true);
  Add(std::move(metafile));

  TXmlDocument xml("Page");
  xml.SetStoreDefaults(false);
  doc.CurrentPage()->SaveToXml(xml.Root());
  const std::string text = xml.AsText();
  testing::CheckFuzzSeed("fuzz_page_xml", "pictures.xml", std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace
}  // namespace kivrano
