#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Exception.h"
#include "base/Stream.h"

namespace kivrano {

class TXmlNode;
class TdtpResource;

// The failure of loading a resource whose file is missing; shape loading catches exactly this.
class EResourceError : public Exception {
 public:
  using Exception::Exception;
};

// One block of committed, zero-filled, readable and writable memory taken from the operating
// system's virtual memory, released when destroyed.
class TPageSegment {
 public:
  explicit TPageSegment(int32_t size);
  ~TPageSegment();
  TPageSegment(const TPageSegment&) = delete;
  TPageSegment& operator=(const TPageSegment&) = delete;

  uint8_t* Memory() const { return memory_; }
  int32_t Size() const { return size_; }
  // Returns the memory now; fails with "Cannot free virtual memory.\rDetails:" and the system's text.
  void Release();

 private:
  uint8_t* memory_;
  int32_t size_;
};

// A stream made of fixed-size segments: growing never moves stored bytes and needs no contiguous
// block; shrinking frees whole segments.
class TMapStream : public TStream {
 public:
  // The allocation granularity of virtual memory this system assumes; segments are a quarter of it.
  static constexpr int32_t kAllocationGranularity = 65536;

  TMapStream() : TMapStream(kAllocationGranularity) {}
  // Fails with "Page size = 0" when granularity / 4 is 0.
  explicit TMapStream(int32_t granularity);

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t newSize) override;
  int64_t Size() override { return size_; }

  int32_t SegmentSize() const { return segmentSize_; }
  int SegmentCount() const { return static_cast<int>(segments_.size()); }
  int CurrentSegment() const { return currentSegment_; }
  int32_t SegmentOffset() const { return segmentOffset_; }

 private:
  void SeekFromStart(int64_t offset);
  void AppendSegment();
  // Walks count bytes from the cursor, calling copy(segment memory, offset in buffer, k) per piece.
  template <class Copy>
  void Walk(int64_t count, Copy copy);

  int32_t segmentSize_;
  std::vector<std::unique_ptr<TPageSegment>> segments_;
  int currentSegment_ = 0;
  int32_t segmentOffset_ = 0;
  int64_t position_ = 0;
  int64_t size_ = 0;
};

enum TResourceStorage : uint8_t { rsNone = 0, rsExternal = 1, rsArchive = 2, rsEmbedded = 3 };
enum TResourceState : uint8_t { stEmpty = 0, stData = 1, stObject = 2 };

// The text of a storage kind as the XML holds it ("None", "External", "Archive", "Embedded").
const char* ResourceStorageText(TResourceStorage storage);

// What a resource needs of the shape that owns it: the shape's list of resources.
class IResourceOwner {
 public:
  virtual ~IResourceOwner() = default;
  virtual void AddResource(TdtpResource* resource) = 0;
  virtual void RemoveResource(TdtpResource* resource) = 0;
};

// The decoded object of a resource. The resource owns it without knowing its type; owners wrap
// their pictures with MakeResourceObject and read them back with TdtpResource::ObjectAs.
class TResourceObject {
 public:
  virtual ~TResourceObject() = default;
};

template <class T>
class TResourceObjectOf : public TResourceObject {
 public:
  explicit TResourceObjectOf(std::unique_ptr<T> object) : object_(std::move(object)) {}
  T* Get() const { return object_.get(); }

 private:
  std::unique_ptr<T> object_;
};

template <class T>
std::unique_ptr<TResourceObject> MakeResourceObject(std::unique_ptr<T> object) {
  return std::make_unique<TResourceObjectOf<T>>(std::move(object));
}

// The encoded bytes of a picture (embedded in the document's XML or referenced as a file) and the
// object decoded from them. Decoding and encoding are the owner's notifications.
class TdtpResource {
 public:
  using TNotifyEvent = std::function<void(TdtpResource* sender)>;
  using TFileEvent = std::function<void(TdtpResource* sender, const std::string& fileName)>;

  explicit TdtpResource(IResourceOwner* shape);
  virtual ~TdtpResource();
  TdtpResource(const TdtpResource&) = delete;
  TdtpResource& operator=(const TdtpResource&) = delete;

  virtual std::string ClassName() const { return "TdtpResource"; }
  // Copies names, storage and (for embedded resources) the bytes through XML; the decoded object
  // is not shared.
  virtual void Assign(TdtpResource& source);

  virtual void FreeObject();
  virtual void CreateObject();
  virtual void LoadData();
  virtual void SaveObject();
  virtual void SaveData();
  virtual void ReleaseObject();
  virtual void LoadFromArchive(const std::string& name);
  virtual void LoadEmbedded();
  virtual void LoadFromFile(const std::string& path);
  virtual void LoadFromXml(TXmlNode* node);
  virtual void SaveToArchive(const std::string& name);
  virtual void SaveEmbedded();
  virtual void SaveToFile(const std::string& path);
  virtual void SaveToXml(TXmlNode* node);

  bool IsEmpty() const { return bytes_->Size() == 0; }
  void LockObject();
  // Fails with "dtpResource UnlockObject called too many times" when no lock is held.
  void UnlockObject();
  void SetObject(std::unique_ptr<TResourceObject> object);
  TResourceObject* ResourceObject() const { return object_.get(); }
  // The decoded object when it was wrapped by MakeResourceObject<T>, else nullptr.
  template <class T>
  T* ObjectAs() const {
    auto* holder = dynamic_cast<TResourceObjectOf<T>*>(object_.get());
    return holder ? holder->Get() : nullptr;
  }

  TResourceState State() const { return state_; }
  void SetState(TResourceState target);
  TResourceStorage Storage() const { return storage_; }
  void SetStorage(TResourceStorage storage) { storage_ = storage; }
  const std::string& ArchName() const { return archName_; }
  void SetArchName(const std::string& name) { archName_ = name; }
  const std::string& Ext() const { return ext_; }
  void SetExt(const std::string& ext) { ext_ = ext; }
  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& fileName) { fileName_ = fileName; }
  bool DataModified() const { return dataModified_; }
  TXmlNode* CurrentNode() const { return currentNode_; }
  int32_t LockCount() const { return lockCount_; }
  IResourceOwner* Shape() const { return shape_; }
  TMapStream& Bytes() const { return *bytes_; }

  TFileEvent OnLoadFromFile;
  TFileEvent OnSaveToFile;
  TNotifyEvent OnCreateObject;
  TNotifyEvent OnSaveObject;
  TNotifyEvent OnLoaded;

 private:
  class CurrentNodeScope;
  // Leaves the object state (only when unlocked): encodes a modified object, frees it.
  void DropObject();

  std::string archName_;
  std::string ext_;
  std::string fileName_;
  TResourceState state_ = stEmpty;
  bool dataModified_ = false;
  TXmlNode* currentNode_ = nullptr;
  int32_t lockCount_ = 0;
  std::unique_ptr<TResourceObject> object_;
  IResourceOwner* shape_;
  TResourceStorage storage_ = rsEmbedded;
  std::unique_ptr<TMapStream> bytes_;
};

// The process-wide list of resource classes: a class name and a factory taking the owner.
// TdtpResource is always listed first.
using TResourceFactory = std::function<std::unique_ptr<TdtpResource>(IResourceOwner* shape)>;
struct TResourceClassHolder {
  std::string ClassName;
  TResourceFactory Create;
};
// Appends the class unless a class of that name is listed.
void RegisterResourceClass(const std::string& className, TResourceFactory factory);
const std::vector<TResourceClassHolder>& ResourceClasses();

}  // namespace kivrano
