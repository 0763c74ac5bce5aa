#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "shapes/dtpFigures.h"
#include "shapes/dtpShapeClasses.h"
#include "storage/SingleFileStorage.h"

namespace kivrano::test {

namespace fs = std::filesystem;

inline std::vector<uint8_t> FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A folder of its own per test, and documents whose pages carry one named shape each.
class ArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterStandardShapeClasses();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::temp_directory_path() /
              ("kivrano_archive_" + std::to_string(getpid()) + "_" + info->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

  // Pages named "P1", "P2", ... each holding a rectangle named "S1", "S2", ...
  static void Build(TdtpDocument& doc, int pages) {
    doc.NewDocument();
    for (int i = 1; i < pages; ++i) doc.AddPage(nullptr);
    for (int i = 0; i < pages; ++i) {
      doc.SetCurrentPageIndex(i);
      auto shape = std::make_unique<TdtpRectangleShape>();
      shape->SetBounds(10.0f + static_cast<float>(i), 20, 30, 40);
      shape->SetName("S" + std::to_string(i + 1));
      doc.AddShape(std::move(shape));
    }
    doc.SetCurrentPageIndex(0);
  }

  static std::string ShapeName(TdtpDocument& doc, int page) {
    TdtpPage* p = doc.Pages(page);
    p->EnsureLoaded();
    return p->GetShapeCount() > 0 ? p->GetShape(0)->Name() : std::string("<empty>");
  }

  static std::vector<std::string> ShapeNames(TdtpDocument& doc) {
    std::vector<std::string> names;
    for (int i = 0; i < doc.PageCount(); ++i) names.push_back(ShapeName(doc, i));
    return names;
  }

  // The stream names of a closed file, read through an archive of its own.
  static std::set<std::string> StreamNames(const std::string& path) {
    TSingleStorage archive;
    archive.SetFileName(path);
    std::set<std::string> names;
    for (int i = 0; i < archive.StreamCount(); ++i) names.insert(archive.Streams(i)->Name());
    return names;
  }

  static std::string StreamText(const std::string& path, const std::string& name) {
    TSingleStorage archive;
    archive.SetFileName(path);
    TMemoryStream bytes;
    archive.ReadStream(name, bytes);
    return {bytes.Bytes().begin(), bytes.Bytes().end()};
  }

  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(entry.path().filename().string());
    return names;
  }

  fs::path folder_;
};

}  // namespace kivrano::test
