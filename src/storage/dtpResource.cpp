#include "storage/dtpResource.h"

#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "storage/XmlDocuments.h"

namespace kivrano {

// ---------------------------------------------------------------------------------------------
// TPageSegment and TMapStream

TPageSegment::TPageSegment(int32_t size) : size_(size) {
  void* memory = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) throw Exception(std::string("Cannot allocate virtual memory.\rDetails:") + std::strerror(errno));
  memory_ = static_cast<uint8_t*>(memory);
}

TPageSegment::~TPageSegment() {
  if (memory_) ::munmap(memory_, static_cast<size_t>(size_));
}

void TPageSegment::Release() {
  if (!memory_) return;
  if (::munmap(memory_, static_cast<size_t>(size_)) != 0)
    throw Exception(std::string("Cannot free virtual memory.\rDetails:") + std::strerror(errno));
  memory_ = nullptr;
}

TMapStream::TMapStream(int32_t granularity) : segmentSize_(granularity / 4) {
  if (segmentSize_ <= 0) throw Exception("Page size = 0");
}

void TMapStream::AppendSegment() { segments_.push_back(std::make_unique<TPageSegment>(segmentSize_)); }

template <class Copy>
void TMapStream::Walk(int64_t count, Copy copy) {
  int64_t done = 0;
  while (done < count) {
    if (currentSegment_ == SegmentCount()) AppendSegment();
    int64_t k = std::min<int64_t>(count - done, segmentSize_ - segmentOffset_);
    copy(segments_[static_cast<size_t>(currentSegment_)]->Memory() + segmentOffset_, done, k);
    segmentOffset_ += static_cast<int32_t>(k);
    done += k;
    if (done < count) {
      ++currentSegment_;
      segmentOffset_ = 0;
    }
  }
}

int32_t TMapStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  const auto* source = static_cast<const uint8_t*>(buffer);
  const int savedSegment = currentSegment_;
  const int32_t savedOffset = segmentOffset_;
  try {
    Walk(count, [&](uint8_t* at, int64_t done, int64_t k) { std::memcpy(at, source + done, static_cast<size_t>(k)); });
  } catch (...) {
    // The cursor goes back to the position: the stream keeps what it had.
    currentSegment_ = savedSegment;
    segmentOffset_ = savedOffset;
    throw;
  }
  position_ += count;
  size_ = std::max(size_, position_);
  return count;
}

int32_t TMapStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || position_ >= size_) return 0;
  const auto n = static_cast<int32_t>(std::min<int64_t>(count, size_ - position_));
  auto* target = static_cast<uint8_t*>(buffer);
  // The segments cover Size bytes, so the walk appends none.
  Walk(n, [&](uint8_t* at, int64_t done, int64_t k) { std::memcpy(target + done, at, static_cast<size_t>(k)); });
  position_ += n;
  return n;
}

void TMapStream::SeekFromStart(int64_t offset) {
  currentSegment_ = 0;
  segmentOffset_ = 0;
  position_ = 0;
  while (offset > 0) {
    if (currentSegment_ == SegmentCount()) AppendSegment();
    if (offset < segmentSize_) {
      segmentOffset_ = static_cast<int32_t>(offset);
      position_ += offset;
      offset = 0;
    } else {
      ++currentSegment_;
      position_ += segmentSize_;
      offset -= segmentSize_;
    }
  }
}

int64_t TMapStream::Seek(int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case soBeginning: SeekFromStart(offset); break;
    case soCurrent:
      if (offset != 0) SeekFromStart(position_ + offset);
      break;
    case soEnd: SeekFromStart(size_ + offset); break;
  }
  return position_;
}

void TMapStream::SetSize(int64_t newSize) {
  newSize = std::max<int64_t>(0, newSize);
  if (newSize == size_) return;
  const int64_t oldPosition = position_;
  size_ = newSize;
  SeekFromStart(newSize);
  const auto keep = static_cast<size_t>((newSize + segmentSize_ - 1) / segmentSize_);
  while (segments_.size() > keep) {
    segments_.back()->Release();
    segments_.pop_back();
  }
  // Bytes past the end read as zero when the stream grows again.
  if (int32_t tail = static_cast<int32_t>(newSize % segmentSize_); tail != 0 && !segments_.empty()) {
    std::memset(segments_.back()->Memory() + tail, 0, static_cast<size_t>(segmentSize_ - tail));
  }
  SeekFromStart(std::min(newSize, oldPosition));
}

// ---------------------------------------------------------------------------------------------
// TdtpResource

namespace {

constexpr const char* kStorageTexts[] = {"None", "External", "Archive", "Embedded"};

}  // namespace

const char* ResourceStorageText(TResourceStorage storage) { return kStorageTexts[storage & 3]; }

// Sets CurrentNode for the duration of one LoadFromXml or SaveToXml.
class TdtpResource::CurrentNodeScope {
 public:
  CurrentNodeScope(TdtpResource& resource, TXmlNode* node) : resource_(resource) { resource_.currentNode_ = node; }
  ~CurrentNodeScope() { resource_.currentNode_ = nullptr; }
  CurrentNodeScope(const CurrentNodeScope&) = delete;
  CurrentNodeScope& operator=(const CurrentNodeScope&) = delete;

 private:
  TdtpResource& resource_;
};

TdtpResource::TdtpResource(IResourceOwner* shape) : shape_(shape), bytes_(std::make_unique<TMapStream>()) {
  if (shape_) shape_->AddResource(this);
}

TdtpResource::~TdtpResource() {
  if (shape_) shape_->RemoveResource(this);
}

void TdtpResource::Assign(TdtpResource& source) {
  TXmlDocument document("Resource");
  source.SaveToXml(document.Root());
  LoadFromXml(document.Root());
}

void TdtpResource::LockObject() {
  if (lockCount_ == 0) SetState(stObject);
  ++lockCount_;
}

void TdtpResource::UnlockObject() {
  --lockCount_;
  if (lockCount_ < 0) throw Exception("dtpResource UnlockObject called too many times");
}

void TdtpResource::ReleaseObject() {
  if (state_ == stObject) SetState(stData);
}

void TdtpResource::SetObject(std::unique_ptr<TResourceObject> object) {
  if (object.get() == object_.get()) {
    (void)object.release();
    return;
  }
  object_ = std::move(object);
}

void TdtpResource::FreeObject() {
  if (lockCount_ != 0) throw Exception("Cannot delete object while it is locked.");
  object_.reset();
}

void TdtpResource::CreateObject() {
  if (lockCount_ != 0) throw Exception("Cannot load object that is locked");
  object_.reset();
  bytes_->SetPosition(0);
  if (OnCreateObject) OnCreateObject(this);
  state_ = stObject;
}

void TdtpResource::SaveObject() {
  dataModified_ = true;
  bytes_->SetSize(0);
  if (OnSaveObject) OnSaveObject(this);
}

void TdtpResource::DropObject() {
  if (dataModified_) SaveObject();
  FreeObject();
  state_ = stData;
}

void TdtpResource::SetState(TResourceState target) {
  if (target == state_) return;
  switch (target) {
    case stEmpty:
      if (state_ == stObject) {
        if (lockCount_ != 0) return;
        DropObject();
      }
      SaveData();
      bytes_->SetSize(0);
      state_ = stEmpty;
      break;
    case stData:
      if (state_ == stEmpty) {
        LoadData();
      } else if (lockCount_ == 0) {
        DropObject();
      }
      break;
    case stObject:
      if (state_ == stEmpty) LoadData();
      if (state_ == stData && !object_) CreateObject();
      break;
  }
}

void TdtpResource::LoadData() {
  switch (storage_) {
    case rsExternal: LoadFromFile(fileName_); break;
    case rsArchive: LoadFromArchive(archName_); break;
    case rsEmbedded: LoadEmbedded(); break;
    case rsNone: break;
  }
}

void TdtpResource::SaveData() {
  if (state_ == stEmpty) return;
  switch (storage_) {
    case rsExternal:
      if (!fileName_.empty() && (!std::filesystem::exists(fileName_) || dataModified_)) SaveToFile(fileName_);
      break;
    case rsArchive:
      // Nothing stands behind an archive reference: the bytes are embedded from now on.
      storage_ = rsEmbedded;
      SaveEmbedded();
      break;
    case rsEmbedded: SaveEmbedded(); break;
    case rsNone: break;
  }
}

void TdtpResource::LoadFromArchive(const std::string&) {}

void TdtpResource::SaveToArchive(const std::string&) {}

namespace {

// Restores a document's binary coding when a read ends, also by failure.
class BinaryCodingScope {
 public:
  explicit BinaryCodingScope(TXmlDocument* document)
      : document_(document), saved_(document ? document->BinaryCoding() : bcHex) {}
  ~BinaryCodingScope() {
    if (document_) document_->SetBinaryCoding(saved_);
  }
  BinaryCodingScope(const BinaryCodingScope&) = delete;
  BinaryCodingScope& operator=(const BinaryCodingScope&) = delete;

 private:
  TXmlDocument* document_;
  TXmlBinaryCoding saved_;
};

TXmlBinaryCoding CodingOfFilter(const std::string& filter) {
  if (filter == "BinHex") return bcHex;
  if (filter == "Base64") return bcBase64;
  return bcRadix64;
}

}  // namespace

void TdtpResource::LoadEmbedded() {
  if (!currentNode_) return;
  TXmlNode* data = currentNode_->FindChild("Data");
  if (!data) return;
  const int n = data->GetInteger("Size", 0);
  TXmlDocument* document = currentNode_->Document();
  BinaryCodingScope restore(document);
  if (document) document->SetBinaryCoding(CodingOfFilter(data->GetString("Filter", "")));
  TXmlNode* buffer = data->FindChild("Buffer");
  if (!buffer) return;
  // Each stored byte takes at least one character of text: a larger count cannot be satisfied,
  // and checking first keeps a forged count from allocating without bound.
  if (n < 0 || static_cast<size_t>(n) > buffer->Value().size()) throw Exception("Missing data in binary stream");
  std::vector<uint8_t> bytes(static_cast<size_t>(n));
  buffer->ReadBinary(bytes.data(), bytes.size());
  bytes_->SetPosition(0);
  bytes_->WriteBuffer(bytes.data(), n);
  // Bytes held before are cut off rather than left behind the new ones.
  bytes_->SetSize(n);
  state_ = stData;
}

void TdtpResource::SaveEmbedded() {
  if (!currentNode_) return;
  const int64_t size = bytes_->Size();
  std::vector<uint8_t> buffer(static_cast<size_t>(size));
  bytes_->SetPosition(0);
  bytes_->ReadBuffer(buffer.data(), static_cast<int32_t>(size));
  TXmlNode* data = currentNode_->NewChild("Data");
  data->PutInteger("Size", static_cast<int>(size), 0);
  if (TXmlDocument* document = currentNode_->Document()) document->SetBinaryCoding(bcBase64);
  data->PutString("Filter", "Base64", "");
  data->NewChild("Buffer")->WriteBinary(buffer.data(), buffer.size());
}

void TdtpResource::LoadFromFile(const std::string& path) {
  namespace fs = std::filesystem;
  // Only regular files count: a device or pipe named by a document could block or never end.
  std::error_code error;
  if (!fs::is_regular_file(path, error)) throw EResourceError("Resource load error.\rFile does not exist: " + path);
  if (storage_ == rsExternal) {
    fileName_ = fs::absolute(path, error).lexically_normal().string();
  } else {
    fileName_ = fs::path(path).filename().string();
  }
  FreeObject();
  if (OnLoadFromFile) {
    OnLoadFromFile(this, path);
  } else {
    TFileStream file(path, fmOpenRead);
    const int64_t size = file.Size();
    bytes_->SetPosition(0);
    bytes_->CopyFrom(file, size);
    bytes_->SetSize(size);
  }
  if (!IsEmpty()) {
    state_ = stData;
    if (OnLoaded) OnLoaded(this);
  }
}

void TdtpResource::SaveToFile(const std::string& path) {
  if (!OnSaveToFile) throw Exception("Resource save error:\rNo OnSaveToFile implemented.");
  OnSaveToFile(this, path);
}

void TdtpResource::LoadFromXml(TXmlNode* node) {
  if (!node) return;
  archName_ = node->GetString("ArchName", "");
  ext_ = node->GetString("Ext", "");
  fileName_ = node->GetString("FileName", "");
  const std::string storage = node->GetString("Storage", "");
  for (uint8_t kind = rsNone; kind <= rsEmbedded; ++kind) {
    if (storage == kStorageTexts[kind]) storage_ = static_cast<TResourceStorage>(kind);
  }
  CurrentNodeScope scope(*this, node);
  LoadData();
}

void TdtpResource::SaveToXml(TXmlNode* node) {
  if (!node) return;
  node->PutString("ClassName", ClassName(), "");
  node->PutString("ArchName", archName_, "");
  node->PutString("Ext", ext_, "");
  node->PutString("FileName", fileName_, "");
  node->PutString("Storage", ResourceStorageText(storage_), "");
  CurrentNodeScope scope(*this, node);
  SaveData();
}

// ---------------------------------------------------------------------------------------------
// Class registry

namespace {

std::vector<TResourceClassHolder>& Registry() {
  static std::vector<TResourceClassHolder> registry = {
      {"TdtpResource", [](IResourceOwner* shape) { return std::make_unique<TdtpResource>(shape); }}};
  return registry;
}

}  // namespace

void RegisterResourceClass(const std::string& className, TResourceFactory factory) {
  auto& registry = Registry();
  for (const auto& holder : registry) {
    if (holder.ClassName == className) return;
  }
  registry.push_back({className, std::move(factory)});
}

const std::vector<TResourceClassHolder>& ResourceClasses() { return Registry(); }

}  // namespace kivrano
