// Interrupted saves (a write, a sync or the rename failing) and failed openings: the file on disk and
// the open document stay usable, nothing saved before is lost.

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "ArchiveTestSupport.h"
#include "TestFileSystem.h"
#include "base/Exception.h"
#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "shapes/dtpFigures.h"
#include "storage/SingleFileStorage.h"
#include "storage/XmlDocuments.h"

namespace kivrano {
namespace {

using namespace kivrano::test;

using Names = std::vector<std::string>;

// Every change of a drawing file, made on the document opened from "drill.hsf" (pages "S1", "S2",
// "S3"); Target is where it writes, Pages what that file holds once it succeeded.
struct FileChange {
  const char* Name;
  std::function<void(TdtpDocument&, const std::string& file, const std::string& other)> Run;
  bool ToOther;
  Names Pages;
  float GridSize;  // the stored document setting afterwards
};

const Names kOld = {"S1", "S2", "S3"};

void EditSecondPage(TdtpDocument& doc) {
  doc.SetCurrentPageIndex(1);
  doc.Shapes(0)->SetName("edited");
}

const std::vector<FileChange> kChanges = {
    {"save after a change",
     [](TdtpDocument& doc, const std::string& file, const std::string&) {
       EditSecondPage(doc);
       doc.SaveToFile(file);
     },
     false, {"S1", "edited", "S3"}, 5},
    {"save into the open archive",
     [](TdtpDocument& doc, const std::string&, const std::string&) {
       EditSecondPage(doc);
       doc.SaveToArchive();
     },
     false, {"S1", "edited", "S3"}, 5},
    {"save under a new name",
     [](TdtpDocument& doc, const std::string&, const std::string& other) {
       EditSecondPage(doc);
       doc.SaveToFile(other);
     },
     true, {"S1", "edited", "S3"}, 5},
    {"save that drops a large page and packs",
     [](TdtpDocument& doc, const std::string& file, const std::string&) {
       doc.DeletePage(2);
       doc.SaveToFile(file);
       EXPECT_EQ(doc.Archive()->WastedSpace(), 0);
     },
     false, {"S1", "S2"}, 5},
    {"index",
     [](TdtpDocument& doc, const std::string&, const std::string&) {
       doc.SetDefaultGridSize(7);
       doc.SaveIndex();
     },
     false, kOld, 7},
    {"direct deletion",
     [](TdtpDocument& doc, const std::string&, const std::string&) {
       doc.SetArchiveDirect(true);
       doc.DeletePage(0);
     },
     false, {"S2", "S3"}, 5},
    {"direct insertion",
     [](TdtpDocument& doc, const std::string&, const std::string&) {
       doc.SetArchiveDirect(true);
       doc.InsertPage(1, nullptr);
     },
     false, {"S1", "<empty>", "S2", "S3"}, 5},
};

class ArchiveSafetyTest : public ArchiveTest {
 protected:
  void SetUp() override {
    ArchiveTest::SetUp();
    file_ = Path("drill.hsf");
    other_ = Path("other.hsf");
    TdtpDocument doc;
    Build(doc, 3);
    // A third page large enough that dropping it leaves over a quarter of the file wasted.
    doc.SetCurrentPageIndex(2);
    for (int i = 0; i < 150; ++i) {
      auto shape = std::make_unique<TdtpRectangleShape>();
      shape->SetBounds(1, 1, 2, 2);
      doc.AddShape(std::move(shape));
    }
    doc.SaveToFile(file_);
    before_ = FileBytes(file_);
  }

  void Restore() {
    fs::remove(other_);
    WriteFile(file_, before_);
  }

  // The stored pages (first shape names) and grid size of a file, read by a document of its own.
  static std::pair<Names, float> Stored(const std::string& path) {
    TdtpDocument doc;
    doc.LoadFromFile(path);
    return {ShapeNames(doc), doc.DefaultGridSize()};
  }

  std::string file_, other_;
  std::vector<uint8_t> before_;
};

// A write fails at every position in turn until the change completes. Each failure (and each kill
// at that moment) leaves the file as it was and nothing else in the folder; the document goes on
// working with the old file and completes the change when asked again.
TEST_F(ArchiveSafetyTest, AFailedWriteAtAnyPointLeavesTheFileAsItWas) {
  for (const FileChange& change : kChanges) {
    const std::string& target = change.ToOther ? other_ : file_;
    int failAt = 1;
    for (;; ++failAt) {
      SCOPED_TRACE(std::string(change.Name) + ", write " + std::to_string(failAt));
      Restore();
      TdtpDocument doc;
      doc.LoadFromFile(file_);
      bool failed = false;
      {
        TTestFileSystem faults;
        faults.FailWriteAt = failAt;
        faults.OnFault = [&] { EXPECT_EQ(FileBytes(file_), before_) << "a kill here would lose the old file"; };
        try {
          change.Run(doc, file_, other_);
        } catch (const Exception& e) {
          failed = true;
          EXPECT_STREQ(e.what(), "No space left on device");
        }
        if (!failed) break;
      }
      EXPECT_EQ(FileBytes(file_), before_);
      EXPECT_FALSE(fs::exists(other_));
      EXPECT_EQ(FolderEntries(), Names{"drill.hsf"}) << "no temporary file is left";
      EXPECT_EQ(doc.Archive()->FileName(), file_);
      // The same document completes the change on the next try, reading its unread pages from the
      // old file.
      change.Run(doc, file_, other_);
      EXPECT_EQ(Stored(target), std::make_pair(change.Pages, change.GridSize));
    }
    EXPECT_GT(failAt, 5) << change.Name << ": the change must write something";
    SCOPED_TRACE(change.Name);
    EXPECT_EQ(Stored(target), std::make_pair(change.Pages, change.GridSize));
    if (change.ToOther) {
      EXPECT_EQ(FileBytes(file_), before_);
    }
  }
}

// The sync of the new file and the rename come before the switch: the old file stays. A failed
// folder sync comes after it: the new file is in place, but the save reports the failure and the
// document keeps its modified state, so that it is saved again.
TEST_F(ArchiveSafetyTest, AFailedSyncOrRenameIsReportedAndLosesNothing) {
  struct Case {
    const char* Name;
    bool TTestFileSystem::*Flag;
    const char* Message;
    bool Switched;
  };
  const std::vector<Case> cases = {
      {"file sync", &TTestFileSystem::FailSyncFile, "Cannot write file ", false},
      {"rename", &TTestFileSystem::FailRename, "Cannot save file \"", false},
      {"folder sync", &TTestFileSystem::FailSyncFolder, "Cannot write folder ", true},
  };
  const Names edited = {"S1", "edited", "S3"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Restore();
    TdtpDocument doc;
    doc.LoadFromFile(file_);
    EditSecondPage(doc);
    {
      TTestFileSystem faults;
      faults.*c.Flag = true;
      try {
        doc.SaveToFile(file_);
        ADD_FAILURE() << "saved";
      } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()).rfind(c.Message, 0), 0u) << e.what();
      }
    }
    EXPECT_EQ(FolderEntries(), Names{"drill.hsf"});
    EXPECT_EQ(Stored(file_).first, c.Switched ? edited : kOld);
    if (!c.Switched) {
      EXPECT_EQ(FileBytes(file_), before_);
    }
    EXPECT_TRUE(doc.Modified());
    EXPECT_EQ(ShapeNames(doc), edited) << "unread pages are still at hand";
    doc.SaveToFile(file_);
    EXPECT_FALSE(doc.Modified());
    EXPECT_EQ(Stored(file_).first, edited);
  }
}

// Saving under another name need not read the pages never shown: they are carried over as stored
// and read later from the new file, wherever the old one went.
TEST_F(ArchiveSafetyTest, UnreadPagesAreReadFromTheFileTheyWereSavedTo) {
  TdtpDocument doc;
  doc.LoadFromFile(file_);
  doc.SaveToFile(other_);
  EXPECT_FALSE(doc.Pages(1)->Loaded());
  EXPECT_FALSE(doc.Pages(2)->Loaded());
  fs::remove(file_);
  EXPECT_EQ(ShapeNames(doc), kOld);
  EXPECT_EQ(Stored(other_).first, kOld);
  EXPECT_EQ(StreamNames(other_), (std::set<std::string>{"Index.xml", "Page0001.xml", "Page0002.xml", "Page0003.xml",
                                                        "Thumb0001.bmp", "Thumb0002.bmp", "Thumb0003.bmp"}));
}

// A target whose folder does not exist is named in the failure, not the temporary file.
TEST_F(ArchiveSafetyTest, ATargetThatCannotBeCreatedIsNamedInTheFailure) {
  TdtpDocument doc;
  doc.LoadFromFile(file_);
  const std::string target = Path("missing/drill.hsf");
  try {
    doc.SaveToFile(target);
    ADD_FAILURE() << "saved";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + target);
  }
  EXPECT_EQ(doc.Archive()->FileName(), file_);
  EXPECT_EQ(FolderEntries(), Names{"drill.hsf"});
}

// Opening reads the index, the thumbnails and page 1's stream, and no other page stream; a page
// shown later is read then, once.
TEST_F(ArchiveSafetyTest, OpeningReadsOnlyTheFirstPageStream) {
  struct Range {
    std::string Name;
    int64_t Begin, End;
  };
  std::vector<Range> ranges;
  {
    TSingleStorage archive;
    archive.SetFileName(file_);
    for (int i = 0; i < archive.StreamCount(); ++i) {
      const TStoreStream* s = archive.Streams(i);
      ranges.push_back({s->Name(), s->Offset(), s->Offset() + s->RecordedSize()});
    }
  }
  TTestFileSystem probe;
  const auto streamsRead = [&] {
    std::set<std::string> names;
    for (const auto& read : probe.Reads) {
      for (const Range& r : ranges) {
        if (read.Path == file_ && read.Position < r.End && read.Position + read.Count > r.Begin) names.insert(r.Name);
      }
    }
    probe.Reads.clear();
    return names;
  };
  TdtpDocument doc;
  doc.LoadFromFile(file_);
  EXPECT_EQ(streamsRead(), (std::set<std::string>{"Index.xml", "Page0001.xml", "Thumb0001.bmp", "Thumb0002.bmp",
                                                  "Thumb0003.bmp"}));
  doc.SetCurrentPageIndex(2);
  doc.SetCurrentPageIndex(0);
  doc.SetCurrentPageIndex(2);
  EXPECT_EQ(streamsRead(), std::set<std::string>{"Page0003.xml"});
  EXPECT_EQ(probe.Writes, 0);
}

}  // namespace
}  // namespace kivrano
