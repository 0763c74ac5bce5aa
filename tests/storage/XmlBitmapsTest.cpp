#include <gtest/gtest.h>

#include <functional>

#include "base/Exception.h"
#include "base/Stream.h"
#include "platform/BmpCodec.h"
#include "raster/Bitmap32.h"
#include "storage/Compressors.h"
#include "storage/XmlBitmaps.h"
#include "storage/XmlDocuments.h"

namespace kivrano {
namespace {

using Bytes = std::vector<uint8_t>;

// Colours that differ per channel and row, with an alpha ramp, so a swapped plane or channel shows.
TColor32 Pattern(int x, int y) {
  return static_cast<TColor32>(((x * 37 + y) & 0xFF) << 24 | ((x * 3) & 0xFF) << 16 | ((y * 5) & 0xFF) << 8 |
                               ((x + y * 11) & 0xFF));
}

std::unique_ptr<TBitmap32> MakeSurface(int width, int height) {
  auto surface = std::make_unique<TBitmap32>();
  surface->SetSize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) surface->SetPixel(x, y, Pattern(x, y));
  return surface;
}

TBmpImage MakeImage(int width, int height, int bitsPerPixel) {
  TBmpImage image;
  image.Width = width;
  image.Height = height;
  image.BitsPerPixel = bitsPerPixel;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.Pixels.push_back(bitsPerPixel == 32 ? Pattern(x, y) : (Pattern(x, y) | 0xFF000000u));
  return image;
}

// The BMP file an element holds, with its planes joined again.
Bytes StoredFile(TXmlNode* node, const std::string& name, int planes) {
  TMemoryStream stream;
  ReadCompressedStream(node, name, &stream);
  Bytes file = stream.TakeBytes();
  JoinPlanes(file.data(), file.size(), planes);
  return file;
}

class XmlBitmapsTest : public ::testing::Test {
 protected:
  TXmlDocument document_{"Page"};
  TXmlNode* root_ = document_.Root();
};

TEST_F(XmlBitmapsTest, SurfaceRoundTripsAsFourPlanesOfA32BitFile) {
  for (auto [w, h] : {std::pair{1, 1}, {3, 2}, {17, 5}, {64, 40}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    root_->ClearChildren();
    const auto surface = MakeSurface(w, h);
    WriteBitmap32Node(root_, "BackgroundImage", surface.get());

    TMemoryStream bmp;
    surface->SaveToBmpStream(bmp);
    EXPECT_EQ(StoredFile(root_, "BackgroundImage", 4), bmp.Bytes());

    std::unique_ptr<TBitmap32> read;
    ReadBitmap32Node(root_, "BackgroundImage", read);
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->Width(), w);
    ASSERT_EQ(read->Height(), h);
    EXPECT_TRUE(std::equal(surface->Bits(), surface->Bits() + w * h, read->Bits()));
  }
}

TEST_F(XmlBitmapsTest, ReadingIntoAnExistingSurfaceReplacesItsPicture) {
  WriteBitmap32Node(root_, "Image", MakeSurface(5, 4).get());
  auto surface = std::make_unique<TBitmap32>();
  surface->SetSize(30, 30);
  TBitmap32* before = surface.get();
  ReadBitmap32Node(root_, "Image", surface);
  EXPECT_EQ(surface.get(), before);
  EXPECT_EQ(surface->Width(), 5);
  EXPECT_EQ(surface->GetPixel(4, 3), Pattern(4, 3));
}

TEST_F(XmlBitmapsTest, ToolkitBitmapRoundTripsAsThreePlanes) {
  for (int bits : {24, 32}) {
    for (auto [w, h] : {std::pair{1, 1}, {3, 3}, {10, 7}}) {
      SCOPED_TRACE(std::to_string(bits) + " bits " + std::to_string(w) + "x" + std::to_string(h));
      root_->ClearChildren();
      const TBmpImage image = MakeImage(w, h, bits);
      WriteBitmapNode(root_, "BrushBitmap", &image);
      EXPECT_EQ(StoredFile(root_, "BrushBitmap", 3), EncodeBmp(image, bits));

      std::unique_ptr<TBmpImage> read;
      ReadBitmapNode(root_, "BrushBitmap", read);
      ASSERT_NE(read, nullptr);
      EXPECT_EQ(read->Width, w);
      EXPECT_EQ(read->Height, h);
      EXPECT_EQ(read->BitsPerPixel, bits);
      EXPECT_EQ(read->Pixels, image.Pixels);
    }
  }
}

TEST_F(XmlBitmapsTest, ToolkitBitmapsOfOtherDepthsAreStoredWith24Bits) {
  TBmpImage image = MakeImage(4, 2, 8);
  WriteBitmapNode(root_, "BrushBitmap", &image);
  std::unique_ptr<TBmpImage> read;
  ReadBitmapNode(root_, "BrushBitmap", read);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->BitsPerPixel, 24);
  EXPECT_EQ(read->Pixels, image.Pixels);
}

TEST_F(XmlBitmapsTest, NothingToWriteAndNothingToReadLeaveThingsAlone) {
  TBitmap32 empty;
  WriteBitmap32Node(root_, "Image", &empty);
  WriteBitmap32Node(root_, "Image", nullptr);
  WriteBitmap32Node(nullptr, "Image", MakeSurface(2, 2).get());
  WriteBitmap32Node(root_, "", MakeSurface(2, 2).get());
  const TBmpImage emptyImage;
  WriteBitmapNode(root_, "Image", &emptyImage);
  WriteBitmapNode(root_, "Image", nullptr);
  EXPECT_EQ(root_->ChildCount(), 0);

  // An element with zero sizes, or none at all, keeps the owner's picture, and creates none.
  TXmlNode* element = root_->NewChild("Image");
  element->PutInteger("SourceSize", 0, 0);
  std::unique_ptr<TBitmap32> none;
  ReadBitmap32Node(root_, "Image", none);
  ReadBitmap32Node(root_, "Missing", none);
  EXPECT_EQ(none, nullptr);
  auto kept = MakeSurface(3, 3);
  ReadBitmap32Node(root_, "Image", kept);
  EXPECT_EQ(kept->Width(), 3);
  std::unique_ptr<TBmpImage> noImage;
  ReadBitmapNode(root_, "Image", noImage);
  EXPECT_EQ(noImage, nullptr);
}

TEST_F(XmlBitmapsTest, DamagedPicturesFailAndKeepTheOwnersPicture) {
  // Sound compression around bytes that are no BMP file, and a BMP file cut short.
  TMemoryStream junk{Bytes(200, 0x42)};
  WriteCompressedStream(root_, "Junk", &junk);
  TMemoryStream bmp;
  MakeSurface(8, 8)->SaveToBmpStream(bmp);
  Bytes cut(bmp.Bytes().begin(), bmp.Bytes().begin() + 100);
  SplitPlanes(cut.data(), cut.size(), 4);
  TMemoryStream cutStream{std::move(cut)};
  WriteCompressedStream(root_, "Cut", &cutStream);

  for (const char* name : {"Junk", "Cut"}) {
    SCOPED_TRACE(name);
    auto surface = MakeSurface(2, 2);
    EXPECT_THROW(ReadBitmap32Node(root_, name, surface), Exception);
    EXPECT_EQ(surface->Width(), 2);
    EXPECT_EQ(surface->GetPixel(1, 1), Pattern(1, 1));
    std::unique_ptr<TBmpImage> image;
    EXPECT_THROW(ReadBitmapNode(root_, name, image), Exception);
    EXPECT_EQ(image, nullptr);
  }
}

}  // namespace
}  // namespace kivrano
