// The commands of kivrano-cli: info, render, pdf and thumbnail.

#include "cli/CliCommands.h"

#include <QPageSize>
#include <QPrinter>
#include <QSizeF>
#include <QString>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <iomanip>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "base/Exception.h"
#include "base/Stream.h"
#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "platform/BmpCodec.h"
#include "platform/Canvas.h"
#include "platform/Printer.h"
#include "qt/QtPrinter.h"
#include "raster/Bitmap32.h"
#include "storage/SingleFileStorage.h"
#include "storage/dtpRasterFormats.h"

namespace kivrano::cli {

namespace {

constexpr const char* kUsage =
    "Usage: kivrano-cli COMMAND DRAWING.hsf [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  info DRAWING.hsf\n"
    "      Lists the pages with their sizes, every shape with its class, name and bounds, and the\n"
    "      archive's streams and wasted space.\n"
    "  render DRAWING.hsf [--page N | --all] [--dpm D] -o OUT.png|.jpg|.gif|.bmp\n"
    "      Renders page N (default 1), or every page into OUT1.png, OUT2.png, ..., at D dots per\n"
    "      millimetre (default 5, at most 40).\n"
    "  pdf DRAWING.hsf -o OUT.pdf\n"
    "      Prints every page into a PDF file, one page per sheet, A4 unless the page is larger.\n"
    "  thumbnail DRAWING.hsf -o OUT.png|.jpg|.gif|.bmp [--size WxH]\n"
    "      Writes the thumbnail stored for page 1, or renders one when none is stored or the\n"
    "      stored one is not of the given size.\n"
    "\n"
    "Exit codes: 0 success, 1 failure (message on standard error), 2 wrong use.\n";

constexpr float kDefaultRenderDpm = 5;
constexpr float kMaxRenderDpm = 40;
constexpr int kMaxThumbnailSide = 4000;

// Wrong use of the tool: reported with the usage text and exit code 2.
class EUsage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The command line after the command word: one drawing, options with their values.
struct TArguments {
  std::string drawing;
  std::map<std::string, std::string> values;  // option -> value
  std::set<std::string> flags;

  bool Has(const std::string& option) const { return values.count(option) != 0 || flags.count(option) != 0; }
  std::optional<std::string> Value(const std::string& option) const {
    const auto it = values.find(option);
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
};

// Parses args[1...]; valueOptions take a value, flagOptions none.
TArguments ParseArguments(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                          const std::set<std::string>& flagOptions) {
  TArguments parsed;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (valueOptions.count(a)) {
      if (i + 1 >= args.size()) throw EUsage("option " + a + " needs a value");
      if (parsed.values.count(a)) throw EUsage("option " + a + " given twice");
      parsed.values[a] = args[++i];
    } else if (flagOptions.count(a)) {
      parsed.flags.insert(a);
    } else if (!a.empty() && a[0] == '-') {
      throw EUsage("unknown option " + a);
    } else if (parsed.drawing.empty()) {
      parsed.drawing = a;
    } else {
      throw EUsage("unexpected argument " + a);
    }
  }
  if (parsed.drawing.empty()) throw EUsage("no drawing given");
  return parsed;
}

int ParseInt(const std::string& text, const std::string& what) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) throw EUsage(what + " must be a whole number: " + text);
  return value;
}

float ParseFloat(const std::string& text, const std::string& what) {
  size_t used = 0;
  float value = 0;
  try {
    value = std::stof(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size() || !std::isfinite(value)) throw EUsage(what + " must be a number: " + text);
  return value;
}

std::string RequiredOutput(const TArguments& a) {
  const auto out = a.Value("-o");
  if (!out || out->empty()) throw EUsage("no output file given (-o)");
  return *out;
}

// The picture formats written by extension.
bool IsPictureName(const std::string& fileName) {
  const std::string ext = LowerCaseExtension(fileName);
  return ext == ".png" || ext == ".jpg" || ext == ".jpeg" || ext == ".gif" || ext == ".bmp";
}

std::string RequiredPictureOutput(const TArguments& a) {
  const std::string out = RequiredOutput(a);
  if (!IsPictureName(out)) throw EUsage("the output must end in .png, .jpg, .gif or .bmp: " + out);
  return out;
}

void WritePicture(TBitmap32& picture, const std::string& fileName) {
  picture.ResetAlpha();
  const std::string ext = LowerCaseExtension(fileName);
  if (ext == ".jpg" || ext == ".jpeg") {
    TFileStream stream(fileName, fmCreate);
    SaveJpegToStream(picture, stream, 90);
    return;
  }
  TdtpImageFiler filer;
  filer.SetFileName(fileName);
  filer.SaveBitmap(&picture);
}

// OUT.png with the number n before the extension: OUTn.png.
std::string NumberedName(const std::string& fileName, int n) {
  const std::string ext = LowerCaseExtension(fileName);
  return fileName.substr(0, fileName.size() - ext.size()) + std::to_string(n) + fileName.substr(fileName.size() - ext.size());
}

std::unique_ptr<TdtpDocument> OpenDrawing(const std::string& fileName) {
  auto document = std::make_unique<TdtpDocument>();
  document->LoadFromFile(fileName);
  return document;
}

// ---- info ----

void ListShape(std::ostream& out, const TdtpShape& shape, int depth) {
  out << std::string(static_cast<size_t>(depth) * 2, ' ') << shape.ClassName() << " \"" << shape.Name() << "\" at ("
      << shape.DocLeft() << ", " << shape.DocTop() << ") size " << shape.DocWidth() << " x " << shape.DocHeight()
      << " mm";
  if (shape.DocAngle() != 0) out << ", turned " << shape.DocAngle() << " degrees";
  out << "\n";
  for (int i = 0; i < shape.GetShapeCount(); ++i) ListShape(out, *shape.GetShape(i), depth + 1);
}

int Info(const std::vector<std::string>& args, std::ostream& out) {
  const TArguments a = ParseArguments(args, {}, {});
  auto document = OpenDrawing(a.drawing);
  out << std::setprecision(6);
  out << "Drawing: " << a.drawing << "\n";
  out << "Pages: " << document->PageCount() << "\n";
  for (int i = 0; i < document->PageCount(); ++i) {
    TdtpPage* page = document->Pages(i);
    page->EnsureLoaded();
    out << "Page " << i + 1 << ": " << page->DocWidth() << " x " << page->DocHeight() << " mm"
        << (page->IsDefaultPage() ? " (default page)" : "") << ", " << page->GetShapeCount() << " shapes\n";
    for (int j = 0; j < page->GetShapeCount(); ++j) ListShape(out, *page->GetShape(j), 1);
  }
  if (TSingleStorage* archive = document->Archive()) {
    out << "Archive streams: " << archive->StreamCount() << "\n";
    for (int i = 0; i < archive->StreamCount(); ++i) {
      TStoreStream* stream = archive->Streams(i);
      out << "  " << stream->Name() << ": " << stream->RecordedSize() << " bytes\n";
    }
    out << "File size: " << archive->FileSize() << " bytes, data " << archive->DataSize() << " bytes, wasted space "
        << archive->WastedSpace() << " bytes\n";
  }
  return exOk;
}

// ---- render ----

void RenderPage(TdtpPage& page, float dpm, const std::string& fileName) {
  page.EnsureLoaded();
  const float w = std::nearbyint(dpm * page.DocWidth());
  const float h = std::nearbyint(dpm * page.DocHeight());
  // The largest page (5 m a side) at the highest resolution stays far below int range.
  if (!(w >= 1 && h >= 1 && w * h <= 2e8f)) throw Exception("Page too large to render at this resolution");
  TBitmap32 picture;
  if (!picture.SetSize(static_cast<int>(w), static_cast<int>(h))) throw Exception("Out of memory for the picture");
  picture.Clear(clWhite32);
  TCanvas canvas(picture);
  page.PrintTo(canvas, TRect{0, 0, picture.Width(), picture.Height()}, false, false, 0, dpm);
  WritePicture(picture, fileName);
}

int Render(const std::vector<std::string>& args, std::ostream& out) {
  const TArguments a = ParseArguments(args, {"--page", "--dpm", "-o"}, {"--all"});
  const std::string output = RequiredPictureOutput(a);
  if (a.Has("--all") && a.Has("--page")) throw EUsage("--page and --all exclude each other");
  const int pageNumber = a.Has("--page") ? ParseInt(*a.Value("--page"), "--page") : 1;
  const float dpm = a.Has("--dpm") ? ParseFloat(*a.Value("--dpm"), "--dpm") : kDefaultRenderDpm;
  if (!(dpm > 0 && dpm <= kMaxRenderDpm)) throw EUsage("--dpm must lie above 0 and at most 40");
  auto document = OpenDrawing(a.drawing);
  if (a.Has("--all")) {
    for (int i = 0; i < document->PageCount(); ++i) {
      const std::string name = NumberedName(output, i + 1);
      RenderPage(*document->Pages(i), dpm, name);
      out << name << "\n";
    }
    return exOk;
  }
  TdtpPage* page = document->Pages(pageNumber - 1);
  if (!page) {
    throw Exception("Page " + std::to_string(pageNumber) + " does not exist: the drawing has " +
                    std::to_string(document->PageCount()) + " pages");
  }
  RenderPage(*page, dpm, output);
  out << output << "\n";
  return exOk;
}

// ---- pdf ----

// A4 unless the page does not fit on it either way; then a sheet of the page's own size.
QPageSize SheetFor(TdtpPage& page) {
  page.EnsureLoaded();
  const float w = page.DocWidth();
  const float h = page.DocHeight();
  const bool fitsA4 = (w <= 210 && h <= 297) || (w <= 297 && h <= 210);
  if (fitsA4 || !(w > 0 && h > 0)) return QPageSize(QPageSize::A4);
  return QPageSize(QSizeF(w, h), QPageSize::Millimeter);
}

int Pdf(const std::vector<std::string>& args, std::ostream& out) {
  const TArguments a = ParseArguments(args, {"-o"}, {});
  const std::string output = RequiredOutput(a);
  if (LowerCaseExtension(output) != ".pdf") throw EUsage("the output must end in .pdf: " + output);
  auto document = OpenDrawing(a.drawing);
  QPrinter qprinter(QPrinter::HighResolution);
  qprinter.setOutputFormat(QPrinter::PdfFormat);
  qprinter.setOutputFileName(QString::fromStdString(output));
  qprinter.setResolution(600);
  qprinter.setFullPage(true);
  TQtPrinter printer(qprinter);
  printer.SheetSize = [&document](int sheet) {
    TdtpPage* page = document->Pages(sheet);
    return page ? SheetFor(*page) : QPageSize(QPageSize::A4);
  };
  IPrinter* previous = SetPrinter(&printer);
  try {
    document->PrintAll();
  } catch (...) {
    SetPrinter(previous);
    throw;
  }
  SetPrinter(previous);
  out << output << "\n";
  return exOk;
}

// ---- thumbnail ----

int Thumbnail(const std::vector<std::string>& args, std::ostream& out) {
  const TArguments a = ParseArguments(args, {"-o", "--size"}, {});
  const std::string output = RequiredPictureOutput(a);
  int width = 0, height = 0;
  if (const auto size = a.Value("--size")) {
    const size_t x = size->find_first_of("xX");
    if (x == std::string::npos) throw EUsage("--size must be WIDTHxHEIGHT: " + *size);
    width = ParseInt(size->substr(0, x), "--size");
    height = ParseInt(size->substr(x + 1), "--size");
    if (width < 3 || height < 3 || width > kMaxThumbnailSide || height > kMaxThumbnailSide) {
      throw EUsage("--size must lie between 3x3 and 4000x4000");
    }
  }
  auto document = OpenDrawing(a.drawing);
  TdtpPage* page = document->Pages(0);
  if (!page) throw Exception("The drawing has no pages");
  const TBmpImage* stored = page->StoredThumbnail();
  const bool storedFits = stored && (width == 0 || (stored->Width == width && stored->Height == height));
  if (!storedFits) {
    if (width > 0) {
      document->SetThumbnailWidth(width);
      document->SetThumbnailHeight(height);
    }
    page->SetThumbnail(nullptr);
    stored = page->GetThumbnail();
    if (!stored) throw Exception("No thumbnail could be made");
  }
  TBitmap32 picture;
  picture.Assign(*stored);
  WritePicture(picture, output);
  out << output << "\n";
  return exOk;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << kUsage;
    return exUsage;
  }
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    out << kUsage;
    return exOk;
  }
  try {
    if (command == "info") return Info(args, out);
    if (command == "render") return Render(args, out);
    if (command == "pdf") return Pdf(args, out);
    if (command == "thumbnail") return Thumbnail(args, out);
    throw EUsage("unknown command " + command);
  } catch (const EUsage& e) {
    err << "kivrano-cli: " << e.what() << "\n\n" << kUsage;
    return exUsage;
  } catch (const std::exception& e) {
    err << "kivrano-cli: " << e.what() << "\n";
    return exFailure;
  }
}

}  // namespace kivrano::cli
