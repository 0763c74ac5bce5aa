#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "raster/Bitmap32.h"
#include "storage/GifCodec.h"
#include "storage/JpegCodec.h"
#include "storage/Jpeg2000Bridge.h"
#include "storage/PngCodec.h"
#include "storage/dtpRasterFormats.h"
#include "storage/dtpRasterSurface.h"

namespace kivrano {
namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

// A scratch folder for picture files, removed with the fixture.
class RasterFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("kivrano_raster_" + std::to_string(getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string Path(const std::string& name) const { return (folder_ / name).string(); }
  std::string Write(const std::string& name, const Bytes& bytes) const {
    TMemoryStream stream(bytes);
    stream.SaveToFile(Path(name));
    return Path(name);
  }
  Bytes Read(const std::string& name) const {
    TMemoryStream stream;
    stream.LoadFromFile(Path(name));
    return stream.Bytes();
  }

  fs::path folder_;
};

// A small picture with colour ramps and every kind of alpha.
void FillPicture(TBitmap32& bitmap, int width = 19, int height = 11) {
  bitmap.SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t alpha = static_cast<uint32_t>((x * 37 + y * 11) % 256);
      bitmap.SetPixel(x, y, alpha << 24 | static_cast<uint32_t>(x * 13) << 16 | static_cast<uint32_t>(y * 23) << 8 |
                                static_cast<uint32_t>((x * y) & 0xFF));
    }
  }
}

void ExpectSamePixels(const TBitmap32& expected, const TBitmap32& actual) {
  ASSERT_EQ(expected.Width(), actual.Width());
  ASSERT_EQ(expected.Height(), actual.Height());
  for (int y = 0; y < expected.Height(); ++y) {
    for (int x = 0; x < expected.Width(); ++x) ASSERT_EQ(expected.GetPixel(x, y), actual.GetPixel(x, y)) << x << "," << y;
  }
}

// The message an action fails with, or "no error"; failures that are not ERasterError are marked.
template <class Action>
std::string ErrorText(Action action) {
  try {
    action();
  } catch (const ERasterError& e) {
    return e.what();
  } catch (const Exception& e) {
    return std::string("(other) ") + e.what();
  }
  return "no error";
}

Bytes PngOf(const TBitmap32& bitmap) { return EncodePng(ViewOf(bitmap)); }

Bytes SmallPng() {
  TBitmap32 bitmap;
  FillPicture(bitmap, 5, 4);
  return PngOf(bitmap);
}

std::string LoadError(TStream& stream, const std::string& hint, int pageIndex = 0) {
  TBitmap32 bitmap;
  return ErrorText([&] { LoadRasterImage(stream, hint, &bitmap, pageIndex, {0, 0}); });
}

// ---------- registry ----------

TEST(RasterFormatRegistry, FilterListsTheFormatsInRegistrationOrder) {
  EXPECT_EQ(RasterFilter(),
            "Graphic formats|*.bmp;*.dib;*.jpg;*.jp;*.jpeg;*.gif;*.png;*.jp2|Windows Bitmap (*.bmp;*.dib)|*.bmp;*.dib|"
            "JPEG images (*.jpg;*.jp;*.jpeg)|*.jpg;*.jp;*.jpeg|Compuserve GIF (*.gif)|*.gif|"
            "Portable Network Graphics (*.png)|*.png|JPeg2000 Image (*.jp2)|*.jp2|All Formats (*.*)|*.*");
}

TEST(RasterFormatRegistry, FormatForFileGoesByTheLowerCasedExtension) {
  struct Case {
    const char* fileName;
    const TRasterClass* expected;
  } cases[] = {
      {"Photo.JPEG", &RasterClass<TdtpJpgFormat>()}, {"x.jp", &RasterClass<TdtpJpgFormat>()},
      {"/a/b/Team.Png", &RasterClass<TdtpPngFormat>()}, {"scan.dib", &RasterClass<TdtpBmpFormat>()},
      {"kit.gif", &RasterClass<TdtpGifFormat>()},      {"pitch.jp2", &RasterClass<TJ2KImage>()},
      {"x.tif", nullptr},                              {"no_extension", nullptr},
      {"dir.png/file", nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(RasterFormatForFile(c.fileName), c.expected) << c.fileName;
}

TEST(RasterFormatRegistry, CapabilitiesAsRegistered) {
  EXPECT_EQ(RasterCapabilities(&RasterClass<TdtpBmpFormat>()), rcStreamLoad | rcListed | rcSave | rcSaveByExtension);
  EXPECT_EQ(RasterCapabilities(&RasterClass<TdtpJpgFormat>()), rcStreamLoad | rcListed);
  EXPECT_EQ(RasterCapabilities(&RasterClass<TdtpGifFormat>()), rcStreamLoad | rcListed | rcSave | rcSaveByExtension);
  EXPECT_EQ(RasterCapabilities(&RasterClass<TdtpPngFormat>()), rcStreamLoad | rcListed | rcSave | rcSaveByExtension);
  EXPECT_EQ(RasterCapabilities(&RasterClass<TJ2KImage>()), rcListed | rcSaveByExtension);
  EXPECT_EQ(RasterCapabilities(nullptr), 0);
}

// A format with none of the operations of its own; it claims no content, so that registering it
// leaves the content-based choice of the other tests alone.
class TBareFormat : public TdtpRaster {
 public:
  static const char* StaticClassName() { return "TBareFormat"; }
  static bool CanLoad(TStream&) { return false; }
  const char* ClassName() const override { return StaticClassName(); }
};

TEST(RasterFormatRegistry, RegisteringAgainReplacesTheEntryInPlace) {
  const TRasterClass& bare = RasterClass<TBareFormat>();
  EXPECT_EQ(RasterCapabilities(&bare), 0);
  RegisterRasterFormat(bare, "Bare", ".kvbare;", rcListed);
  EXPECT_EQ(RasterFormatForFile("a.kvbare"), &bare);
  EXPECT_NE(RasterFilter().find("|Bare (*.kvbare)|*.kvbare|All Formats"), std::string::npos);
  RegisterRasterFormat(bare, "Bare", ".kvbare;", 0);
  EXPECT_EQ(RasterCapabilities(&bare), 0);
  EXPECT_EQ(RasterFilter().find("Bare"), std::string::npos);
}

TEST(RasterFormatRegistry, BaseOperationsFailWithTheirMessages) {
  TBareFormat format;
  TBitmap32 bitmap;
  TMemoryStream stream;
  EXPECT_EQ(ErrorText([&] { format.LoadFromFile("x.kvbare", bitmap, 0, {0, 0}); }), "Method not implemented");
  EXPECT_EQ(ErrorText([&] { format.LoadFromStream(stream, bitmap, 0, {0, 0}); }), "Loading from stream is not implemented");
  EXPECT_EQ(ErrorText([&] { format.SaveToStream(stream, bitmap); }), "Method not implemented");
  EXPECT_EQ(ErrorText([&] { format.SaveToFile("x.kvbare", bitmap); }), "Method not implemented");
  EXPECT_TRUE(TdtpRaster::CanLoad(stream));  // the base accepts any content
}

// ---------- loading ----------

TEST(RasterFormatLoad, TheHintChoosesTheDecoderWhateverTheBytes) {
  TMemoryStream png(SmallPng());
  TBitmap32 bitmap;
  LoadRasterImage(png, ".png", &bitmap, 0, {0, 0});
  EXPECT_EQ(bitmap.Width(), 5);

  struct Case {
    const char* hint;
    const char* message;
  } cases[] = {
      {".jpg", "JPEG error: Not a JPEG file: starts with 0x89 0x50"},
      {".gif", "GIF error: Data is not in GIF format"},
      {".bmp", "(other) Invalid BMP file"},
      {"", "Unknown raster format \"\""},
      {".tif", "Unknown raster format \".tif\""},
      {".jp2", "Loading from stream is not implemented"},
  };
  for (const Case& c : cases) {
    png.SetPosition(0);
    EXPECT_EQ(LoadError(png, c.hint).rfind(c.message, 0), 0u) << c.hint << ": " << LoadError(png, c.hint);
  }
}

TEST(RasterFormatLoad, PagesAboveTheFirstDoNotExist) {
  TBitmap32 picture;
  FillPicture(picture);
  TMemoryStream bmp;
  picture.SaveToBmpStream(bmp);
  struct Case {
    const char* hint;
    Bytes bytes;
  } cases[] = {
      {".bmp", bmp.Bytes()},
      {".jpg", EncodeJpeg(ViewOf(picture))},
      {".gif", EncodeGif(PrepareGifPicture(ViewOf(picture), 32, 0xFFFFFF))},
      {".png", PngOf(picture)},
  };
  for (const Case& c : cases) {
    TMemoryStream stream(c.bytes);
    EXPECT_EQ(LoadError(stream, c.hint, 1), "Requested non-existing page") << c.hint;
    stream.SetPosition(0);
    EXPECT_EQ(LoadError(stream, c.hint, 0), "no error") << c.hint;
  }
}

TEST(RasterFormatLoad, BytesProcessedIsWhatTheDecoderUsed) {
  Bytes png = SmallPng();
  Bytes framed = {'x', 'y'};
  framed.insert(framed.end(), png.begin(), png.end());
  framed.insert(framed.end(), {'t', 'a', 'i', 'l'});
  TMemoryStream stream(framed);
  stream.SetPosition(2);
  TdtpImageFiler filer;
  filer.SetStream(&stream);
  filer.SetFormatHint(".png");
  TBitmap32 bitmap;
  filer.LoadBitmap(&bitmap);
  EXPECT_EQ(filer.BytesProcessed(), static_cast<int64_t>(png.size()));
  EXPECT_EQ(stream.Position(), static_cast<int64_t>(2 + png.size()));
  EXPECT_EQ(filer.PageCount(), 1);
}

TEST(RasterFormatLoad, NoBitmapIsRefused) {
  TMemoryStream stream(SmallPng());
  TdtpImageFiler filer;
  filer.SetStream(&stream);
  filer.SetFormatHint(".png");
  EXPECT_EQ(ErrorText([&] { filer.LoadBitmap(nullptr); }), "Input bitmap not assigned");
  EXPECT_EQ(ErrorText([&] { filer.SaveBitmap(nullptr); }), "Input bitmap not assigned");
}

TEST(RasterFormatLoad, JpegDecodesReducedToTheRequestedSize) {
  TBitmap32 picture;
  picture.SetSize(640, 480);
  picture.Clear(0xFF336699);
  TMemoryStream stream(EncodeJpeg(ViewOf(picture)));
  TdtpImageFiler filer;
  filer.SetStream(&stream);
  filer.SetFormatHint(".jpeg");
  filer.SetRequestedWidth(160);
  filer.SetRequestedHeight(100);
  TBitmap32 bitmap;
  filer.LoadBitmap(&bitmap);
  EXPECT_EQ(bitmap.Width(), 160);
  EXPECT_EQ(bitmap.Height(), 120);
  EXPECT_EQ(filer.Format()->SourceWidth(), 640);
  EXPECT_EQ(filer.Format()->SourceHeight(), 480);
  EXPECT_EQ(bitmap.GetPixel(80, 60) >> 24, 255u);

  // LoadRasterImage keeps the default 4000 x 4000 for a requested size of 0 x 0.
  stream.SetPosition(0);
  LoadRasterImage(stream, ".jpg", &bitmap, 0, {0, 0});
  EXPECT_EQ(bitmap.Width(), 640);
  stream.SetPosition(0);
  LoadRasterImage(stream, ".jpg", &bitmap, 0, {320, 240});
  EXPECT_EQ(bitmap.Width(), 320);
}

TEST_F(RasterFiles, TheExtensionOfAFileNameWins) {
  std::string name = Write("Picture.GIF", SmallPng());
  TdtpImageFiler filer;
  filer.SetFileName(name);
  filer.SetFormatHint(".png");
  TBitmap32 bitmap;
  EXPECT_THROW(filer.LoadBitmap(&bitmap), ERasterError);
  EXPECT_EQ(filer.FormatHint(), ".gif");
}

TEST_F(RasterFiles, WithoutAKnownExtensionTheContentDecides) {
  TBitmap32 picture;
  FillPicture(picture);
  TMemoryStream bmp;
  picture.SaveToBmpStream(bmp);
  struct Case {
    const char* name;
    Bytes bytes;
    const char* className;
  } cases[] = {
      {"a.dat", PngOf(picture), "TdtpPngFormat"},
      {"b", EncodeJpeg(ViewOf(picture)), "TdtpJpgFormat"},
      {"c.tif", EncodeGif(PrepareGifPicture(ViewOf(picture), 32, 0xFFFFFF)), "TdtpGifFormat"},
      {"d.raw", bmp.Bytes(), "TdtpBmpFormat"},
  };
  for (const Case& c : cases) {
    TdtpImageFiler filer;
    filer.SetFileName(Write(c.name, c.bytes));
    TBitmap32 bitmap;
    filer.LoadBitmap(&bitmap);
    EXPECT_STREQ(filer.Format()->ClassName(), c.className) << c.name;
    EXPECT_EQ(bitmap.Width(), 19) << c.name;
    EXPECT_EQ(filer.BytesProcessed(), static_cast<int64_t>(c.bytes.size())) << c.name;
  }
  TdtpImageFiler unknown;
  unknown.SetFileName(Write("e.dat", Bytes(100, 'z')));
  TBitmap32 bitmap;
  EXPECT_EQ(ErrorText([&] { unknown.LoadBitmap(&bitmap); }), "Unknown raster format \".dat\"");
}

TEST_F(RasterFiles, AMissingFileFailsWithTheFileError) {
  TdtpImageFiler filer;
  filer.SetFileName(Path("absent.png"));
  TBitmap32 bitmap;
  EXPECT_THROW(filer.LoadBitmap(&bitmap), Exception);
}

// ---------- saving ----------

TEST_F(RasterFiles, SavingChoosesTheFormatByExtension) {
  TBitmap32 picture;
  FillPicture(picture);
  struct Case {
    const char* name;
    bool written;
  } cases[] = {{"out.jpg", false}, {"out.tif", false}, {"out.png", true}, {"OUT.BMP", true}, {"out.gif", true}};
  for (const Case& c : cases) {
    TdtpImageFiler filer;
    filer.SetFileName(Path(c.name));
    filer.SaveBitmap(&picture);
    EXPECT_EQ(fs::exists(Path(c.name)), c.written) << c.name;
    if (c.written) {
      EXPECT_EQ(filer.BytesProcessed(), static_cast<int64_t>(fs::file_size(Path(c.name)))) << c.name;
    }
  }
}

TEST_F(RasterFiles, PngAndBmpRoundTripExactly) {
  TBitmap32 picture;
  FillPicture(picture);
  for (const char* name : {"exact.png", "exact.bmp"}) {
    TdtpImageFiler writer;
    writer.SetFileName(Path(name));
    writer.SaveBitmap(&picture);
    TdtpImageFiler reader;
    reader.SetFileName(Path(name));
    TBitmap32 back;
    reader.LoadBitmap(&back);
    SCOPED_TRACE(name);
    ExpectSamePixels(picture, back);
  }
  // The PNG's own alpha channel equals the surface's alpha.
  TPixelBuffer decoded;
  Bytes png = Read("exact.png");
  EXPECT_TRUE(DecodePng(png.data(), png.size(), decoded).HasAlphaChannel);
  EXPECT_EQ(decoded.At(3, 2) >> 24, picture.GetPixel(3, 2) >> 24);
}

TEST(RasterFormatSave, StreamsAreWrittenByTheHintsFormat) {
  TBitmap32 picture;
  FillPicture(picture);
  struct Case {
    const char* hint;
    const char* magic;
  } cases[] = {{".png", "\x89PNG"}, {".gif", "GIF8"}, {".bmp", "BM"}, {".jpg", ""}, {"", ""}};
  for (const Case& c : cases) {
    TMemoryStream stream;
    stream.WriteBuffer("ab", 2);
    TdtpImageFiler filer;
    filer.SetStream(&stream);
    filer.SetFormatHint(c.hint);
    filer.SaveBitmap(&picture);
    std::string written(stream.Bytes().begin() + 2, stream.Bytes().end());
    EXPECT_EQ(written.substr(0, std::string(c.magic).size()), c.magic) << c.hint;
    EXPECT_EQ(written.empty(), std::string(c.magic).empty()) << c.hint;
    EXPECT_EQ(filer.BytesProcessed(), static_cast<int64_t>(written.size())) << c.hint;
  }
}

TEST(RasterFormatSave, GifThresholdAndTransparentColourAreSettings) {
  TBitmap32 picture;
  picture.SetSize(2, 1);
  picture.SetPixel(0, 0, 0xFF102030);
  picture.SetPixel(1, 0, 0x50405060);
  TdtpGifFormat format;
  EXPECT_EQ(format.AlphaThreshold(), 32);
  EXPECT_EQ(format.TransparentColor(), 0xFFFFFF);
  format.SetAlphaThreshold(0x60);
  TMemoryStream stream;
  format.SaveToStream(stream, picture);
  stream.SetPosition(0);
  TBitmap32 back;
  LoadRasterImage(stream, ".gif", &back, 0, {0, 0});
  EXPECT_EQ(back.GetPixel(0, 0), 0xFF102030u);
  EXPECT_EQ(back.GetPixel(1, 0), 0u);
}

TEST(RasterFormatSave, JpegIsWrittenOnlyOnRequest) {
  TBitmap32 picture;
  picture.SetSize(32, 24);
  picture.Clear(0x00C08040);  // alpha is not stored
  TMemoryStream stream;
  SaveJpegToStream(picture, stream);
  stream.SetPosition(0);
  TBitmap32 back;
  LoadRasterImage(stream, ".jpg", &back, 0, {0, 0});
  ASSERT_EQ(back.Width(), 32);
  uint32_t pixel = back.GetPixel(16, 12);
  EXPECT_EQ(pixel >> 24, 255u);
  EXPECT_NEAR(static_cast<int>((pixel >> 16) & 0xFF), 0xC0, 2);
  EXPECT_NEAR(static_cast<int>((pixel >> 8) & 0xFF), 0x80, 2);
  EXPECT_NEAR(static_cast<int>(pixel & 0xFF), 0x40, 2);
}

// ---------- JPEG 2000 ----------

class RasterJpeg2000 : public RasterFiles {
 protected:
  void TearDown() override {
    SetJ2KLibraryPath(savedPath_);
    RasterFiles::TearDown();
  }
  std::string savedPath_ = J2KLibraryPath();
};

TEST_F(RasterJpeg2000, WithoutTheLibraryOnlyJp2Fails) {
  SetJ2KLibraryPath(Path("missing/libopenjp2.so.7"));
  TBitmap32 picture;
  FillPicture(picture);
  TdtpImageFiler writer;
  writer.SetFileName(Path("x.jp2"));
  EXPECT_EQ(ErrorText([&] { writer.SaveBitmap(&picture); }), "Library for image format not loaded");
  TdtpImageFiler reader;
  reader.SetFileName(Write("y.jp2", Bytes(40, 0)));
  TBitmap32 bitmap;
  EXPECT_EQ(ErrorText([&] { reader.LoadBitmap(&bitmap); }), "Library for image format not loaded");
  TdtpImageFiler png;
  png.SetFileName(Write("z.png", SmallPng()));
  png.LoadBitmap(&bitmap);
  EXPECT_EQ(bitmap.Width(), 5);
}

TEST_F(RasterJpeg2000, RoundTripThroughTheLibraryKeepsTheColours) {
  if (!J2KLibrary().LibLoadImage) GTEST_SKIP() << "no JPEG 2000 library on this machine";
  TBitmap32 picture;
  FillPicture(picture, 23, 17);
  TdtpImageFiler writer;
  writer.SetFileName(Path("pitch.jp2"));
  writer.SaveBitmap(&picture);
  EXPECT_GT(writer.BytesProcessed(), 0);

  for (const char* name : {"pitch.jp2", "pitch.data"}) {  // by extension, then by content
    if (std::string(name) != "pitch.jp2") fs::copy_file(Path("pitch.jp2"), Path(name));
    TdtpImageFiler reader;
    reader.SetFileName(Path(name));
    TBitmap32 back;
    reader.LoadBitmap(&back);
    EXPECT_STREQ(reader.Format()->ClassName(), "TJ2KImage");
    ASSERT_EQ(back.Width(), 23);
    ASSERT_EQ(back.Height(), 17);
    for (int y = 0; y < 17; ++y) {
      for (int x = 0; x < 23; ++x) ASSERT_EQ(back.GetPixel(x, y), picture.GetPixel(x, y) | 0xFF000000u) << x << "," << y;
    }
  }
}

TEST_F(RasterJpeg2000, LoadFailuresCarryTheBridgeTexts) {
  if (!J2KLibrary().LibLoadImage) GTEST_SKIP() << "no JPEG 2000 library on this machine";
  struct Case {
    std::string file;
    const char* message;
  } cases[] = {
      {Path("absent.jp2"), "Unable to open file"},
      {Write("garbage.jp2", Bytes(64, 0x5A)), "Error in bitmap data"},
  };
  for (const Case& c : cases) {
    TdtpImageFiler reader;
    reader.SetFileName(c.file);
    TBitmap32 bitmap;
    EXPECT_EQ(ErrorText([&] { reader.LoadBitmap(&bitmap); }), c.message) << c.file;
  }
}

}  // namespace
}  // namespace kivrano
