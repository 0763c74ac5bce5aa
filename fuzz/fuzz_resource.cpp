// Reads arbitrary text as a resource's XML element (as a drawing's "Image" element is read), decodes
// through a lock, writes the resource back and reads that again.
#include <cstdint>
#include <string>

#include "storage/XmlDocuments.h"
#include "storage/dtpResource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kivrano;
  try {
    TXmlDocument document;
    document.ParseText(std::string(reinterpret_cast<const char*>(data), size));
    if (!document.Root()) return 0;
    TdtpResource resource(nullptr);
    resource.OnCreateObject = [](TdtpResource* r) {
      std::string head(static_cast<size_t>(std::min<int64_t>(r->Bytes().Size(), 16)), '\0');
      r->Bytes().Read(head.data(), static_cast<int32_t>(head.size()));
      r->SetObject(MakeResourceObject(std::make_unique<std::string>(head)));
    };
    resource.OnSaveToFile = [](TdtpResource*, const std::string&) {};
    resource.LoadFromXml(document.Root());
    resource.LockObject();
    resource.UnlockObject();
    TXmlDocument out("Image");
    resource.SaveToXml(out.Root());
    TdtpResource again(nullptr);
    again.LoadFromXml(out.Root());
  } catch (const kivrano::Exception&) {
  }
  return 0;
}
