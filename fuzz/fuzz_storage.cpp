// Opens arbitrary bytes as an archive, reads every stream both by copy and through the stream
// interface, then adds, deletes and packs so that placement runs over whatever the directory held.
#include <cstdint>
#include <memory>

#include "storage/SingleFileStorage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kivrano;
  try {
    auto memory = std::make_unique<TMemoryStream64>();
    if (size > 0) memory->WriteBuffer(data, static_cast<int32_t>(size));
    TSingleStorage storage;
    storage.SetOverwriteMode(omReplace);
    storage.SetStream(std::move(memory));
    for (int i = 0; i < storage.StreamCount(); ++i) {
      TStoreStream* s = storage.Streams(i);
      TMemoryStream copy;
      storage.ReadStream(s->Name(), copy);
      uint8_t buffer[64];
      s->Seek(0, soBeginning);
      while (s->Read(buffer, sizeof buffer) > 0) {
      }
      if (i == 0) s->WriteBuffer("x", 1);
    }
    TMemoryStream extra(std::vector<uint8_t>(100, 7));
    storage.AddStream(extra, storage.StreamCount() > 0 ? storage.Streams(0)->Name() : "new");
    if (storage.StreamCount() > 1) storage.DeleteStream(storage.Streams(1)->Name());
    storage.Flush();
    storage.Pack();
    TSingleStorage reread;
    auto copy = std::make_unique<TMemoryStream64>();
    storage.Stream()->SetPosition(0);
    copy->CopyFrom(*storage.Stream(), 0);
    reread.SetStream(std::move(copy));
  } catch (const kivrano::Exception&) {
  }
  return 0;
}
