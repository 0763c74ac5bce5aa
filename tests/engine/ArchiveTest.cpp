#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "ArchiveTestSupport.h"
#include "base/Exception.h"
#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "platform/BmpCodec.h"
#include "shapes/dtpFigures.h"
#include "shapes/dtpShapeClasses.h"
#include "storage/SingleFileStorage.h"
#include "storage/XmlDocuments.h"

namespace kivrano {
namespace {

using namespace kivrano::test;

const std::set<std::string> kTwoPageStreams = {"Index.xml", "Page0001.xml", "Page0002.xml", "Thumb0001.bmp",
                                               "Thumb0002.bmp"};

TEST_F(ArchiveTest, SavingWritesTheIndexAndOnePageAndThumbnailStreamPerPage) {
  const std::string file = Path("two.hsf");
  {
    TdtpDocument doc;
    Build(doc, 2);
    doc.SaveToFile(file);
    EXPECT_FALSE(doc.Modified());
    EXPECT_EQ(doc.Archive()->FileName(), file);
  }
  EXPECT_EQ(StreamNames(file), kTwoPageStreams);

  TXmlDocument page;
  page.ParseText(StreamText(file, "Page0002.xml"));
  EXPECT_EQ(page.Root()->Name(), "Page");
  EXPECT_EQ(page.Root()->AttributeByName("Index"), "2");
  // Page streams leave out values equal to their default; the index stores every value.
  EXPECT_EQ(page.Root()->FindChild("IsDefaultPage"), nullptr);
  const std::string index = StreamText(file, "Index.xml");
  TXmlDocument settings;
  settings.ParseText(index);
  const std::vector<std::string> order = {
      "HandleColor", "HandleEdgeColor", "HotzoneScrolling", "StretchFilter", "ReadOnly", "RenderDpm",
      "ScreenDpm", "StoreThumbnails", "ShowMargins", "SnapToGrid", "StepAngle", "ViewStyle", "PageCount",
      "DefaultPageWidth", "DefaultPageHeight", "DefaultMarginLeft", "DefaultMarginTop", "DefaultMarginRight",
      "DefaultMarginBottom", "DefaultGridSize", "DefaultGridColor", "DefaultPageColor", "DefaultBgrTiled",
      "ThumbnailWidth", "ThumbnailHeight"};
  ASSERT_EQ(settings.Root()->Name(), "Document");
  ASSERT_EQ(settings.Root()->ChildCount(), static_cast<int>(order.size()));
  for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(settings.Root()->Children(static_cast<int>(i))->Name(), order[i]);
  EXPECT_EQ(settings.Root()->GetInteger("PageCount", 0), 2);
  EXPECT_NE(index.find("\n  <ReadOnly>"), std::string::npos) << "indented, defaults stored";

  const std::string thumb = StreamText(file, "Thumb0001.bmp");
  const TBmpImage image = ReadBmp(reinterpret_cast<const uint8_t*>(thumb.data()), thumb.size());
  EXPECT_EQ(image.Width, 80);
  EXPECT_EQ(image.Height, 60);
  EXPECT_EQ(image.BitsPerPixel, 24);
}

TEST_F(ArchiveTest, OpeningReadsOnlyTheFirstPageAndLaterPagesOnce) {
  const std::string file = Path("three.hsf");
  {
    TdtpDocument doc;
    Build(doc, 3);
    doc.SaveToFile(file);
  }
  TdtpDocument doc;
  std::vector<int> loads;
  doc.OnLoadPageContent = [&](TdtpDocument*, int index) { loads.push_back(index); };
  std::vector<std::pair<int, float>> progress;
  doc.OnProgress = [&](TdtpDocument*, TdtpProgressType type, int count, int total, float percent) {
    EXPECT_EQ(type, ptLoad);
    EXPECT_EQ(total, 3);
    progress.emplace_back(count, percent);
  };
  doc.LoadFromFile(file);
  ASSERT_EQ(doc.PageCount(), 3);
  EXPECT_EQ(loads, std::vector<int>{0});
  EXPECT_TRUE(doc.Pages(0)->Loaded());
  EXPECT_FALSE(doc.Pages(2)->Loaded());
  EXPECT_NE(doc.Pages(2)->StoredThumbnail(), nullptr) << "thumbnails are read at once";
  EXPECT_FALSE(doc.Modified());
  EXPECT_EQ(doc.UndoCount(), 0) << "reading pages records nothing to undo";
  const std::vector<std::pair<int, float>> expected = {{1, 0.0f}, {2, 1.0f / 3}, {3, 2.0f / 3}, {3, 1.0f}};
  EXPECT_EQ(progress, expected);

  doc.SetCurrentPageIndex(2);
  doc.SetCurrentPageIndex(0);
  doc.SetCurrentPageIndex(2);
  EXPECT_EQ(loads, (std::vector<int>{0, 2}));
  EXPECT_EQ(ShapeName(doc, 2), "S3");
  EXPECT_FALSE(doc.Pages(1)->Loaded());
}

TEST_F(ArchiveTest, ResavingWritesOnlyTheChangedPageAndKeepsUnreadPages) {
  const std::string file = Path("resave.hsf");
  {
    TdtpDocument doc;
    Build(doc, 3);
    doc.SaveToFile(file);
  }
  const std::string page1Before = StreamText(file, "Page0001.xml");
  const std::string page3Before = StreamText(file, "Page0003.xml");

  TdtpDocument doc;
  doc.LoadFromFile(file);
  doc.SetCurrentPageIndex(1);
  doc.Shapes(0)->SetName("changed");
  std::set<int> written;
  doc.OnProgress = [&](TdtpDocument*, TdtpProgressType type, int count, int total, float percent) {
    EXPECT_EQ(type, ptSave);
    if (percent < 1) written.insert(count);
    EXPECT_EQ(total, 3);
  };
  doc.SaveToFile(file);
  EXPECT_EQ(written, std::set<int>{2});
  EXPECT_FALSE(doc.Pages(2)->Loaded()) << "an unchanged page is not read to be saved";
  doc.OnProgress = nullptr;

  EXPECT_EQ(StreamText(file, "Page0001.xml"), page1Before);
  EXPECT_EQ(StreamText(file, "Page0003.xml"), page3Before);
  TdtpDocument reopened;
  reopened.LoadFromFile(file);
  EXPECT_EQ(ShapeNames(reopened), (std::vector<std::string>{"S1", "changed", "S3"}));
  // The document still reads its unread pages from the replaced file.
  EXPECT_EQ(ShapeName(doc, 2), "S3");
}

TEST_F(ArchiveTest, SavingUnderANewNameWritesEveryPageIncludingUnreadOnes) {
  const std::string first = Path("first.hsf");
  const std::string second = Path("second.hsf");
  {
    TdtpDocument doc;
    Build(doc, 3);
    doc.SaveToFile(first);
  }
  TdtpDocument doc;
  doc.LoadFromFile(first);
  doc.SaveToFile(second);
  EXPECT_EQ(doc.Archive()->FileName(), second);
  TdtpDocument reopened;
  reopened.LoadFromFile(second);
  EXPECT_EQ(ShapeNames(reopened), (std::vector<std::string>{"S1", "S2", "S3"}));
}

// Deleting and inserting pages, with the streams moved at once in the open archive or left to the
// next save.
TEST_F(ArchiveTest, PageDeletionAndInsertionRenumberTheStoredPages) {
  for (const bool direct : {false, true}) {
    SCOPED_TRACE(direct ? "direct" : "on save");
    const std::string file = Path(direct ? "direct.hsf" : "saved.hsf");
    {
      TdtpDocument doc;
      Build(doc, 3);
      doc.SaveToFile(file);
    }
    TdtpDocument doc;
    doc.LoadFromFile(file);
    doc.SetArchiveDirect(direct);
    doc.DeletePage(0);
    if (direct) {
      EXPECT_EQ(doc.Archive()->StreamExists("Page0003.xml"), false);
      EXPECT_FALSE(doc.Pages(1)->Loaded()) << "moved streams need no reading";
    }
    doc.SaveToFile(file);
    EXPECT_EQ(StreamNames(file), kTwoPageStreams);
    EXPECT_NE(StreamText(file, "Page0001.xml").find("S2"), std::string::npos);

    doc.InsertPage(0, nullptr);
    doc.SaveToFile(file);
    TdtpDocument reopened;
    reopened.LoadFromFile(file);
    EXPECT_EQ(ShapeNames(reopened), (std::vector<std::string>{"<empty>", "S2", "S3"}));
  }
}

TEST_F(ArchiveTest, DirectOperationsRewriteTheIndexImmediately) {
  const std::string file = Path("direct.hsf");
  TdtpDocument doc;
  Build(doc, 3);
  doc.SaveToFile(file);
  doc.SetArchiveDirect(true);
  doc.DeletePage(1);
  TXmlDocument index;
  {
    TMemoryStream bytes;
    doc.Archive()->ReadStream("Index.xml", bytes);
    index.LoadFromStream(bytes);
  }
  EXPECT_EQ(index.Root()->GetInteger("PageCount", 0), 2);
  EXPECT_TRUE(doc.Archive()->StreamExists("Page0002.xml"));
  EXPECT_FALSE(doc.Archive()->StreamExists("Page0003.xml"));
  EXPECT_FALSE(doc.Archive()->StreamExists("Thumb0003.bmp"));
}

TEST_F(ArchiveTest, WithoutStoredThumbnailsNoThumbnailStreamIsWrittenOrDeleted) {
  const std::string file = Path("nothumbs.hsf");
  TdtpDocument doc;
  Build(doc, 2);
  doc.SetStoreThumbnails(false);
  doc.SaveToFile(file);
  EXPECT_EQ(StreamNames(file), (std::set<std::string>{"Index.xml", "Page0001.xml", "Page0002.xml"}));

  doc.SetStoreThumbnails(true);
  doc.SaveToFile(Path("thumbs.hsf"));
  doc.SetStoreThumbnails(false);
  doc.Shapes(0)->SetName("x");
  doc.SaveToFile(Path("thumbs.hsf"));
  EXPECT_EQ(StreamNames(Path("thumbs.hsf")), kTwoPageStreams);
}

TEST_F(ArchiveTest, ReopeningRestoresTheStoredSettings) {
  const std::string file = Path("settings.hsf");
  TBitmap32 paper;
  paper.SetSize(4, 3);
  paper.Clear(0xFF336699);
  {
    TdtpDocument doc;
    Build(doc, 1);
    doc.SetScreenDpm(3.5f);
    doc.SetRenderDpm(7.25f);
    doc.SetViewStyle(vsNormal);
    doc.SetDefaultPageWidth(148);
    doc.SetDefaultMarginTop(12.5f);
    doc.SetDefaultPageColor(0x00EEDD);
    doc.SetDefaultBackgroundImage(&paper);
    doc.SetThumbnailWidth(40);
    doc.SetReadOnly(true);
    doc.OnSaveAdditionalInfo = [](TdtpDocument*, TXmlNode* node) { node->PutString("Coach", "Ada", ""); };
    doc.SaveToFile(file);
  }
  TdtpDocument doc;
  std::string coach;
  doc.OnLoadAdditionalInfo = [&](TdtpDocument*, TXmlNode* node) { coach = node->GetString("Coach", ""); };
  doc.LoadFromFile(file);
  EXPECT_FLOAT_EQ(doc.ScreenDpm(), 3.5f);
  EXPECT_FLOAT_EQ(doc.RenderDpm(), 7.25f);
  EXPECT_EQ(doc.ViewStyle(), vsNormal);
  EXPECT_TRUE(doc.ReadOnly());
  EXPECT_FLOAT_EQ(doc.DefaultPageWidth(), 148);
  EXPECT_FLOAT_EQ(doc.DefaultMarginTop(), 12.5f);
  EXPECT_EQ(doc.DefaultPageColor(), static_cast<TColor>(0x00EEDD));
  EXPECT_EQ(doc.ThumbnailWidth(), 40);
  ASSERT_NE(doc.DefaultBackgroundImage(), nullptr);
  EXPECT_EQ(doc.DefaultBackgroundImage()->Width(), 4);
  EXPECT_EQ(doc.DefaultBackgroundImage()->GetPixel(1, 1), paper.GetPixel(1, 1));
  EXPECT_EQ(coach, "Ada");
  EXPECT_EQ(doc.Pages(0)->StoredThumbnail()->Width, 40);
}

// Each save writes a compact new archive; what dropping surplus page streams frees is packed away
// once it exceeds a quarter of the file.
TEST_F(ArchiveTest, SavingPacksOnceAQuarterOfTheFileIsWasted) {
  const std::string file = Path("pack.hsf");
  TdtpDocument doc;
  Build(doc, 3);
  doc.SetStoreThumbnails(false);
  for (int i = 0; i < 200; ++i) {
    auto shape = std::make_unique<TdtpShape>();
    shape->SetBounds(1, 1, 2, 2);
    doc.Pages(1)->AddShape(std::move(shape));
  }
  doc.SaveToFile(file);
  EXPECT_EQ(doc.Archive()->WastedSpace(), 0);
  // The small last page leaves a gap well under a quarter of the file.
  doc.DeletePage(2);
  doc.SaveToFile(file);
  EXPECT_GT(doc.Archive()->WastedSpace(), 0);
  EXPECT_LE(doc.Archive()->WastedSpace(), doc.Archive()->FileSize() / 4);
  // The large page frees most of the file: the archive is packed.
  doc.DeletePage(1);
  doc.SaveToFile(file);
  EXPECT_EQ(doc.Archive()->WastedSpace(), 0);
  TdtpDocument reopened;
  reopened.LoadFromFile(file);
  EXPECT_EQ(ShapeNames(reopened), (std::vector<std::string>{"S1"}));
}

TEST_F(ArchiveTest, SavingClearsTheHistoryUnlessKeptPastSaving) {
  for (const bool keep : {false, true}) {
    TdtpDocument doc;
    Build(doc, 1);
    doc.SetUndoPastSave(keep);
    ASSERT_GT(doc.UndoCount(), 0);
    doc.SaveToFile(Path(keep ? "keep.hsf" : "clear.hsf"));
    EXPECT_EQ(doc.UndoCount() > 0, keep);
  }
}

TEST_F(ArchiveTest, MisuseFailsWithClearMessages) {
  TdtpDocument doc;
  Build(doc, 1);
  EXPECT_THROW(
      {
        try {
          doc.SaveToArchive();
        } catch (const Exception& e) {
          EXPECT_STREQ(e.what(), "Archive must exist");
          throw;
        }
      },
      Exception);
  doc.BeginBusy(crHourGlass);
  EXPECT_THROW(doc.SaveToFile(Path("busy.hsf")), Exception);
  EXPECT_THROW(doc.LoadFromFile(Path("busy.hsf")), Exception);
  doc.EndBusy();
  EXPECT_FALSE(fs::exists(Path("busy.hsf")));
}

// Every way an opening can fail leaves the open document as it was.
TEST_F(ArchiveTest, OpeningADamagedFileFailsAndKeepsTheCurrentDocument) {
  const std::string good = Path("good.hsf");
  {
    TdtpDocument doc;
    Build(doc, 2);
    doc.SaveToFile(good);
  }
  struct Case {
    const char* Name;
    std::function<void(const std::string&)> Damage;
    const char* Message;  // a part of the message
  };
  const auto replaceStream = [](const std::string& path, const std::string& name, const std::string& text) {
    TSingleStorage archive;
    archive.SetFileName(path);
    archive.SetOverwriteMode(omReplace);
    TMemoryStream bytes(std::vector<uint8_t>(text.begin(), text.end()));
    archive.AddStream(bytes, name);
  };
  const std::vector<Case> cases = {
      {"missing", [](const std::string& p) { fs::remove(p); }, "Cannot find file"},
      {"not an archive", [](const std::string& p) { WriteFile(p, {'h', 'e', 'l', 'l', 'o'}); }, "Not a valid storage"},
      {"no index",
       [](const std::string& p) {
         TSingleStorage archive;
         archive.SetFileName(p);
         archive.DeleteStream("Index.xml");
       },
       "holds no document index"},
      {"bad index xml", [&](const std::string& p) { replaceStream(p, "Index.xml", "<Document><Page"); }, ""},
      {"bad colour", [&](const std::string& p) { replaceStream(p, "Index.xml", "<Document><DefaultPageColor>zz</DefaultPageColor><PageCount>1</PageCount></Document>"); }, "not a valid integer"},
      {"absurd page count", [&](const std::string& p) { replaceStream(p, "Index.xml", "<Document><PageCount>99999999</PageCount></Document>"); }, "invalid page count"},
      {"bad thumbnail", [&](const std::string& p) { replaceStream(p, "Thumb0002.bmp", "BMjunk"); }, "Invalid BMP file"},
      {"huge thumbnail",
       [&](const std::string& p) {
         std::string bmp(54, '\0');
         bmp[0] = 'B';
         bmp[1] = 'M';
         bmp[14] = 40;
         bmp[18] = bmp[22] = static_cast<char>(0xA0);  // 100000 x 100000 pixels
         bmp[19] = bmp[23] = static_cast<char>(0x86);
         bmp[20] = bmp[24] = 0x01;
         replaceStream(p, "Thumb0001.bmp", bmp);
       },
       "thumbnail too large"},
      {"bad first page", [&](const std::string& p) { replaceStream(p, "Page0001.xml", "<Page><Shape"); }, ""},
      {"empty file", [](const std::string& p) { WriteFile(p, {}); }, "holds no document index"},
      {"garbage after the header",
       [](const std::string& p) {
         std::vector<uint8_t> bytes = {'S', 'T', 'O', 'R', 1, 0};
         for (int i = 0; i < 400; ++i) bytes.push_back(static_cast<uint8_t>(i * 73 + 41));
         WriteFile(p, bytes);
       },
       ""},
      {"truncated in the header", [](const std::string& p) { fs::resize_file(p, 10); }, "holds no document index"},
      {"truncated in the first stream", [](const std::string& p) { fs::resize_file(p, 1100); }, ""},
      {"truncated at half", [](const std::string& p) { fs::resize_file(p, fs::file_size(p) / 2); }, ""},
      {"truncated by one byte", [](const std::string& p) { fs::resize_file(p, fs::file_size(p) - 1); }, ""},
      {"bad first page value",
       [&](const std::string& p) {
         replaceStream(p, "Page0001.xml",
                       "<Page><IsDefaultPage>False</IsDefaultPage><GridColor>zz</GridColor></Page>");
       },
       "not a valid integer"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string bad = Path("bad.hsf");
    fs::copy_file(good, bad, fs::copy_options::overwrite_existing);
    c.Damage(bad);
    TdtpDocument doc;
    Build(doc, 3);
    doc.SaveToFile(Path("current.hsf"));
    doc.Shapes(0)->SetName("unsaved");
    doc.Shapes(0)->SetDocLeft(55);
    doc.SetDefaultGridSize(7);
    doc.SetCurrentPageIndex(1);
    doc.ToggleSelection(doc.Shapes(0));
    const int undoCount = doc.UndoCount();
    ASSERT_GT(undoCount, 0);
    try {
      doc.LoadFromFile(bad);
      ADD_FAILURE() << "opened";
    } catch (const Exception& e) {
      EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
    }
    EXPECT_FALSE(doc.IsBusy());
    EXPECT_EQ(doc.Archive()->FileName(), Path("current.hsf"));
    EXPECT_EQ(doc.CurrentPageIndex(), 1);
    ASSERT_EQ(doc.SelectionCount(), 1);
    EXPECT_EQ(doc.Selection(0)->Name(), "S2");
    EXPECT_EQ(doc.FocusedShape(), doc.Selection(0));
    EXPECT_TRUE(doc.Modified());
    EXPECT_TRUE(doc.Pages(0)->Modified());
    EXPECT_FALSE(doc.Pages(2)->Modified());
    EXPECT_FLOAT_EQ(doc.DefaultGridSize(), 7);
    EXPECT_EQ(ShapeNames(doc), (std::vector<std::string>{"unsaved", "S2", "S3"}));
    // The history still applies to the shapes it recorded.
    ASSERT_EQ(doc.UndoCount(), undoCount);
    doc.SetCurrentPageIndex(0);
    doc.Undo();
    EXPECT_FLOAT_EQ(doc.Shapes(0)->DocLeft(), 10);
  }
}

// The application's own handlers take part in an opening: one that fails undoes the opening too.
TEST_F(ArchiveTest, AFailingHandlerUndoesTheOpening) {
  const std::string good = Path("good.hsf");
  {
    TdtpDocument doc;
    Build(doc, 2);
    doc.SaveToFile(good);
  }
  for (const bool inSettings : {true, false}) {
    SCOPED_TRACE(inSettings ? "additional info" : "progress");
    TdtpDocument doc;
    Build(doc, 3);
    doc.SaveToFile(Path("current.hsf"));
    const auto fail = [] { throw Exception("handler failed"); };
    if (inSettings) {
      doc.OnLoadAdditionalInfo = [&](TdtpDocument*, TXmlNode*) { fail(); };
    } else {
      doc.OnProgress = [&](TdtpDocument*, TdtpProgressType, int count, int, float) {
        if (count == 2) fail();
      };
    }
    EXPECT_THROW(doc.LoadFromFile(good), Exception);
    EXPECT_EQ(ShapeNames(doc), (std::vector<std::string>{"S1", "S2", "S3"}));
    EXPECT_EQ(doc.Archive()->FileName(), Path("current.hsf"));
    EXPECT_FALSE(doc.Modified());
  }
}

TEST_F(ArchiveTest, ADamagedPageStreamFailsWhenReadAndStaysOutOfLaterSaves) {
  const std::string file = Path("page.hsf");
  {
    TdtpDocument doc;
    Build(doc, 2);
    doc.SaveToFile(file);
    TMemoryStream junk(std::vector<uint8_t>{'<', 'P', 'a', 'g', 'e', '>', '<'});
    doc.Archive()->AddStream(junk, "Page0002.xml");
  }
  const std::vector<uint8_t> before = FileBytes(file);
  TdtpDocument doc;
  doc.LoadFromFile(file);
  EXPECT_THROW(doc.SetCurrentPageIndex(1), Exception);
  EXPECT_TRUE(doc.Pages(1)->Loaded()) << "not retried";
  EXPECT_EQ(doc.Pages(1)->GetShapeCount(), 0);
  EXPECT_EQ(FileBytes(file), before);
  // Saving a change elsewhere keeps the stored bytes of the unchanged page.
  doc.SetCurrentPageIndex(0);
  doc.Shapes(0)->SetName("z");
  doc.SaveToFile(file);
  EXPECT_EQ(StreamText(file, "Page0002.xml"), "<Page><");
}

// A save that fails at any step, to the open file or to a new one, leaves every file as it was and
// no temporary file behind; the document stays modified and saves fine afterwards.
TEST_F(ArchiveTest, AFailedSaveLeavesTheFilesAsTheyWere) {
  const std::string file = Path("safe.hsf");
  const std::string other = Path("other.hsf");
  {
    TdtpDocument doc;
    Build(doc, 3);
    doc.SaveToFile(file);
  }
  const std::vector<uint8_t> before = FileBytes(file);
  for (const bool sameName : {true, false}) {
    const std::string target = sameName ? file : other;
    for (int failAt = 1;; ++failAt) {
      SCOPED_TRACE(std::string(sameName ? "same name, step " : "new name, step ") + std::to_string(failAt));
      TdtpDocument doc;
      doc.LoadFromFile(file);
      doc.SetCurrentPageIndex(1);
      doc.Shapes(0)->SetName("edited");
      int steps = 0;
      doc.OnProgress = [&](TdtpDocument*, TdtpProgressType, int, int, float) {
        if (++steps == failAt) throw Exception("cancelled");
      };
      bool failed = false;
      try {
        doc.SaveToFile(target);
      } catch (const Exception& e) {
        failed = true;
        EXPECT_STREQ(e.what(), "cancelled");
      }
      if (!failed) {
        EXPECT_GT(failAt, 1);
        fs::remove(other);
        WriteFile(file, before);
        break;
      }
      EXPECT_EQ(FileBytes(file), before);
      EXPECT_FALSE(fs::exists(other));
      EXPECT_EQ(FolderEntries().size(), 1u);
      EXPECT_TRUE(doc.Modified());
      EXPECT_EQ(doc.Archive()->FileName(), file);
      EXPECT_EQ(ShapeName(doc, 2), "S3") << "unread pages still come from the old file";
      doc.OnProgress = nullptr;
      doc.SaveToFile(target);
      TdtpDocument reopened;
      reopened.LoadFromFile(target);
      EXPECT_EQ(ShapeNames(reopened), (std::vector<std::string>{"S1", "edited", "S3"}));
      fs::remove(other);
      WriteFile(file, before);
    }
  }
  // The target cannot be replaced (a folder of that name): the save fails and nothing is left over.
  fs::create_directory(Path("folder.hsf"));
  TdtpDocument doc;
  doc.LoadFromFile(file);
  EXPECT_THROW(doc.SaveToFile(Path("folder.hsf")), Exception);
  EXPECT_EQ(doc.Archive()->FileName(), file);
  EXPECT_EQ(FolderEntries().size(), 2u);
  EXPECT_EQ(FileBytes(file), before);
}

}  // namespace
}  // namespace kivrano
