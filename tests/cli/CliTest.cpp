// kivrano-cli as a user runs it: without a display, on drawings saved by the engine; exit codes,
// messages, and the files it writes.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "raster/Bitmap32.h"
#include "shapes/dtpFigures.h"
#include "shapes/dtpLineShape.h"
#include "shapes/dtpShapeClasses.h"
#include "storage/dtpRasterFormats.h"

namespace kivrano {
namespace {

namespace fs = std::filesystem;

struct TRun {
  int code;
  std::string out;
  std::string err;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class Cli : public ::testing::Test {
 protected:
  static fs::path dir;
  static fs::path drawing;  // three pages: A4 portrait, A4 landscape, 400 x 300 mm

  static void SetUpTestSuite() {
    RegisterStandardShapeClasses();
    dir = fs::temp_directory_path() / ("kivrano_cli_test_" + std::to_string(getpid()));
    fs::create_directories(dir);
    drawing = dir / "drill.hsf";
    TdtpDocument doc;
    doc.LockUndo();
    auto player = std::make_unique<TdtpEllipseShape>();
    player->SetBounds(20, 30, 40, 40);
    player->SetName("Rspeler 7");
    player->SetFillColor(0x0000FF);  // red
    doc.AddShape(std::move(player));
    doc.AddPage(nullptr);
    doc.Pages(1)->SetIsDefaultPage(false);
    doc.Pages(1)->SetBounds(0, 0, 297, 210);
    doc.SetCurrentPageIndex(1);
    auto line = std::make_unique<TdtpLineShape>();
    line->SetPoint(0, TFloatPoint{10, 10});
    line->SetPoint(1, TFloatPoint{100, 50});
    line->SetName("Lpass");
    doc.AddShape(std::move(line));
    doc.AddPage(nullptr);
    doc.Pages(2)->SetIsDefaultPage(false);
    doc.Pages(2)->SetBounds(0, 0, 400, 300);
    doc.UnlockUndo();
    doc.SaveToFile(drawing.string());
  }
  static void TearDownTestSuite() { if (!std::getenv("KIVRANO_KEEP")) fs::remove_all(dir); }

  // Runs the tool without a display and without a Qt platform chosen.
  static TRun Run(const std::vector<std::string>& args) {
    std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + Quoted(KIVRANO_CLI);
    for (const std::string& a : args) command += " " + Quoted(a);
    const fs::path out = dir / "stdout.txt";
    const fs::path err = dir / "stderr.txt";
    command += " >" + Quoted(out.string()) + " 2>" + Quoted(err.string());
    const int status = std::system(command.c_str());
    return TRun{WEXITSTATUS(status), ReadFile(out), ReadFile(err)};
  }

  static std::string In(const std::string& name) { return (dir / name).string(); }

  static std::unique_ptr<TBitmap32> LoadPicture(const std::string& fileName) {
    auto picture = std::make_unique<TBitmap32>();
    TdtpImageFiler filer;
    filer.SetFileName(fileName);
    filer.LoadBitmap(picture.get());
    return picture;
  }
};

fs::path Cli::dir;
fs::path Cli::drawing;

TEST_F(Cli, HelpAndWrongUse) {
  const TRun help = Run({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("Usage: kivrano-cli"), std::string::npos);
  for (const char* command : {"info", "render", "pdf", "thumbnail"}) {
    EXPECT_NE(help.out.find(std::string("  ") + command + " DRAWING.hsf"), std::string::npos) << command;
  }

  const std::string d = drawing.string();
  const std::vector<std::vector<std::string>> wrong = {
      {},
      {"print", d},
      {"info"},
      {"info", d, "extra.hsf"},
      {"info", d, "--verbose"},
      {"render", d},
      {"render", d, "-o"},
      {"render", d, "-o", In("out.tiff")},
      {"render", d, "-o", In("out.png"), "--dpm", "fast"},
      {"render", d, "-o", In("out.png"), "--dpm", "0"},
      {"render", d, "-o", In("out.png"), "--dpm", "500"},
      {"render", d, "-o", In("out.png"), "--page", "2x"},
      {"render", d, "-o", In("out.png"), "--page", "1", "--all"},
      {"pdf", d, "-o", In("out.png")},
      {"thumbnail", d, "-o", In("t.png"), "--size", "80"},
      {"thumbnail", d, "-o", In("t.png"), "--size", "0x0"},
  };
  for (const auto& args : wrong) {
    std::string line;
    for (const auto& a : args) line += a + " ";
    SCOPED_TRACE(line);
    const TRun run = Run(args);
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("Usage: kivrano-cli"), std::string::npos);
  }
  EXPECT_FALSE(fs::exists(In("out.png")));
}

TEST_F(Cli, FailuresExitWithOneAndAMessage) {
  std::ofstream(In("garbage.hsf")) << "this is not a drawing";
  struct TCase {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<TCase> cases = {
      {{"info", In("missing.hsf")}, "missing.hsf"},
      {{"info", In("garbage.hsf")}, "kivrano-cli: "},
      {{"render", drawing.string(), "--page", "4", "-o", In("p4.png")}, "Page 4 does not exist: the drawing has 3 pages"},
      {{"render", drawing.string(), "-o", In("no/such/folder/p.png")}, "kivrano-cli: "},
      {{"pdf", drawing.string(), "-o", In("no/such/folder/p.pdf")}, "Printer refused the job"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.args[1]);
    const TRun run = Run(c.args);
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("Usage:"), std::string::npos);
  }
}

TEST_F(Cli, InfoListsPagesShapesAndStreams) {
  const TRun run = Run({"info", drawing.string()});
  ASSERT_EQ(run.code, 0) << run.err;
  for (const char* expected : {"Pages: 3", "Page 1: 210 x 297 mm (default page), 1 shapes",
                               "TdtpEllipseShape \"Rspeler 7\" at (20, 30) size 40 x 40 mm",
                               "Page 2: 297 x 210 mm, 1 shapes", "TdtpLineShape \"Lpass\" at (10, 10) size 90 x 40 mm", "Page 3: 400 x 300 mm",
                               "Index.xml", "Thumb0001.bmp", "wasted space"}) {
    EXPECT_NE(run.out.find(expected), std::string::npos) << expected << "\n" << run.out;
  }
}

TEST_F(Cli, RenderWritesPicturesAtTheGivenResolution) {
  {
    const TRun run = Run({"render", drawing.string(), "--dpm", "2", "-o", In("page1.png")});
    ASSERT_EQ(run.code, 0) << run.err;
    const auto picture = LoadPicture(In("page1.png"));
    ASSERT_EQ(picture->Width(), 420);
    ASSERT_EQ(picture->Height(), 594);
    EXPECT_EQ(picture->GetPixel(80, 100), 0xFFFF0000u) << "inside the red player";
    EXPECT_EQ(picture->GetPixel(10, 10), 0xFFFFFFFFu) << "paper, opaque";
  }
  {
    const TRun run = Run({"render", drawing.string(), "--all", "-o", In("all.bmp")});
    ASSERT_EQ(run.code, 0) << run.err;
    const int sizes[][2] = {{1050, 1485}, {1485, 1050}, {2000, 1500}};
    for (int i = 0; i < 3; ++i) {
      const auto picture = LoadPicture(In("all" + std::to_string(i + 1) + ".bmp"));
      EXPECT_EQ(picture->Width(), sizes[i][0]);
      EXPECT_EQ(picture->Height(), sizes[i][1]);
    }
    EXPECT_FALSE(fs::exists(In("all4.bmp")));
  }
  for (const auto& [name, magic] : {std::pair{"page2.jpg", std::string("\xFF\xD8\xFF")}, {"page2.gif", "GIF8"}}) {
    const TRun run = Run({"render", drawing.string(), "--page", "2", "--dpm", "1", "-o", In(name)});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(ReadFile(In(name)).substr(0, magic.size()), magic) << name;
    const auto picture = LoadPicture(In(name));
    EXPECT_EQ(picture->Width(), 297);
  }
}

TEST_F(Cli, PdfHasOneSheetPerPageA4UnlessThePageIsLarger) {
  const TRun run = Run({"pdf", drawing.string(), "-o", In("drill.pdf")});
  ASSERT_EQ(run.code, 0) << run.err;
  const std::string pdf = ReadFile(In("drill.pdf"));
  ASSERT_EQ(pdf.substr(0, 5), "%PDF-");
  size_t pages = 0;
  for (size_t at = pdf.find("/Type /Page"); at != std::string::npos; at = pdf.find("/Type /Page", at + 1)) {
    if (pdf.compare(at, 12, "/Type /Pages") != 0) ++pages;
  }
  EXPECT_EQ(pages, 3u);
  // A4 is 595 x 842 points; 400 x 300 mm is 1134 x 850 points.
  const std::string a4 = "/MediaBox [0 0 595";
  size_t a4Sheets = 0;
  for (size_t at = pdf.find(a4); at != std::string::npos; at = pdf.find(a4, at + 1)) ++a4Sheets;
  EXPECT_EQ(a4Sheets, 2u);
  EXPECT_NE(pdf.find("/MediaBox [0 0 1134"), std::string::npos);
}

TEST_F(Cli, ThumbnailIsTheStoredOneOrRendered) {
  {
    const TRun run = Run({"thumbnail", drawing.string(), "-o", In("thumb.png")});
    ASSERT_EQ(run.code, 0) << run.err;
    const auto picture = LoadPicture(In("thumb.png"));
    EXPECT_EQ(picture->Width(), 80);
    EXPECT_EQ(picture->Height(), 60);
  }
  {
    const TRun run = Run({"thumbnail", drawing.string(), "--size", "120x160", "-o", In("thumb.bmp")});
    ASSERT_EQ(run.code, 0) << run.err;
    const auto picture = LoadPicture(In("thumb.bmp"));
    ASSERT_EQ(picture->Width(), 120);
    ASSERT_EQ(picture->Height(), 160);
    // The page fills the height: the player (20..60 mm across, 30..70 mm down) shows red.
    EXPECT_EQ(picture->GetPixel(25, 28) & 0xFFFFFF, 0xFF0000u);
  }
}

}  // namespace
}  // namespace kivrano
