// Document read throughput as a ratio to a plain memcpy of the same bytes, measured in the
// same run: a document of about 100k object records, and resource-heavy documents with
// 100 MB of resource bytes.
//
// Two memcpy baselines are printed, because the first write to freshly allocated memory
// can cost far more than the copy itself. On the machines the project is tested on (a
// virtual machine) a first write runs at about 100-250 MB/s, natively as much as under
// Wine, against about 10 GB/s for memory written before. The reader hands out blocks it
// owns (stored documents are read into records that free their own bytes), so it always
// writes fresh memory:
//  - "memcpy into fresh memory": the same blocks allocated and written as the reader
//    allocates them (one block per resource record, all freed at the end). read/memcpy
//    near 1 means the reader adds little to the copy that any owning reader must make.
//  - "memcpy into touched memory": the whole document copied into one block written
//    before. The floor; the gap to it is the price of first writes on this machine.
// Read and baselines run in interleaved rounds and each keeps its best round, so a slow
// spell of the machine does not favour one of them.
#include "core/archive/DS_IOF.h"
#include "core/archive/DS_IOF_Writer.h"
#include "core/archive/ReaderRegistry.h"
#include "core/params/CompositeParams.h"
#include "core/scene/DS_ABObj.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

// A typical sprite-like record: a few strings, a rectangle, a quad and the base part.
class DS_BenchSprite : public DS_ABObj_Constructor {
public:
  void ReadFields(DS_IOF_Virtual& archive, unsigned version) {
    archive.ReadString(label);
    rect.Read(archive);
    quad.Read(archive);
    archive.ReadFloat(speed);
    ReadPart(archive);
  }
  void Write(DS_IOF_Virtual& archive) override {
    archive.WriteString(L"DS_BenchSprite");
    archive.WriteUInt(1u);
    archive.WriteString(label);
    rect.Write(archive);
    quad.Write(archive);
    archive.WriteFloat(speed);
    WritePart(archive);
  }
  DS_ABObj* CreateRuntimeObject() override { return nullptr; }
  std::wstring label;
  MediaRectangle rect;
  MediaQuad quad;
  float speed = 1.0f;
};
DS_REGISTER_OBJECT_READER(DS_BenchSprite);

namespace {

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return double(t.QuadPart) / double(frequency.QuadPart);
}

double Seconds(const std::function<void()>& f) {
  const double t0 = Now();
  f();
  return Now() - t0;
}

// Runs every measurement once per round, in turn, and keeps each one's best time.
std::vector<double> BestOfRounds(int rounds, const std::vector<std::function<void()>>& measurements) {
  std::vector<double> best(measurements.size(), 1e30);
  for (int round = 0; round < rounds; ++round)
    for (size_t i = 0; i < measurements.size(); ++i) best[i] = std::min(best[i], Seconds(measurements[i]));
  return best;
}

volatile unsigned char g_Sink;

// The whole document copied into one block that stays written between rounds.
std::function<void()> CopyIntoTouched(const std::vector<unsigned char>& doc, std::vector<unsigned char>& touched) {
  touched.assign(doc.size(), 1);
  return [&doc, &touched] {
    std::memcpy(touched.data(), doc.data(), doc.size());
    g_Sink = touched[doc.size() / 2];
  };
}

// Blocks of the given sizes allocated, written and then freed, as a reader of owned
// copies does; the copies come from consecutive places of the document.
std::function<void()> CopyIntoFresh(const std::vector<unsigned char>& doc, std::vector<size_t> blockSizes) {
  return [&doc, blockSizes] {
    std::vector<unsigned char*> blocks;
    blocks.reserve(blockSizes.size());
    size_t offset = 0;
    for (size_t size : blockSizes) {
      auto* block = static_cast<unsigned char*>(std::malloc(size));
      if (!block) break;
      std::memcpy(block, doc.data() + offset, size);
      offset = (offset + size) % (doc.size() - size + 1);
      blocks.push_back(block);
    }
    if (!blocks.empty()) g_Sink = blocks.back()[0];
    for (unsigned char* block : blocks) std::free(block);
  };
}

std::vector<unsigned char> ObjectDocument(int count) {
  DS_IOF_W w;
  w.WriteUInt(unsigned(count));
  for (int i = 0; i < count; ++i) {
    DS_BenchSprite s;
    s.label = L"sprite " + std::to_wstring(i);
    s.m_Name = L"object";
    s.rect.right.Store(i);
    s.quad.SetFromCenter(D3DXVECTOR3(float(i), 1, 0), 10, 10);
    s.TimeLine().m_Mode.Store(i % 3);
    if (i % 3 == 2) s.TimeLine().AddInterval({1, 5, 2, 4});
    s.Write(w);
  }
  return w.Bytes();
}

std::vector<unsigned char> ResourceDocument(size_t totalBytes, size_t recordBytes) {
  DS_IOF_W w;
  const unsigned count = unsigned(totalBytes / recordBytes);
  w.WriteUInt(count);
  DS_ResourceRecord record(81, L"velmora.dll");
  std::vector<unsigned char> payload(recordBytes);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<unsigned char>(i * 31);
  record.Assign(payload.data(), unsigned(payload.size()));
  for (unsigned i = 0; i < count; ++i) {
    record.name = L"C:\\pictures\\picture" + std::to_wstring(i) + L".jpg";
    w.WriteResourceRecord(record);
  }
  return w.Bytes();
}

size_t ReadObjects(const std::vector<unsigned char>& doc) {
  ResourceBuffer source(doc.data(), doc.size());
  DS_IOF_R<ResourceBuffer> archive(&source);
  std::vector<std::unique_ptr<DS_ABObj_Constructor>> objects;
  ReadObjectList(archive, ReadSceneObject, [&](DS_ABObj_Constructor* o) { objects.emplace_back(o); });
  if (archive.Failed() || source.Remaining() != 0) std::printf("object document did not read cleanly\n");
  return objects.size();
}

size_t ReadResources(const std::vector<unsigned char>& doc) {
  ResourceBuffer source(doc.data(), doc.size());
  DS_IOF_R<ResourceBuffer> archive(&source);
  unsigned count = 0;
  ReadListCount(archive, count, 16);
  std::vector<DS_ResourceRecord> records(count);
  for (DS_ResourceRecord& r : records) archive.ReadResourceRecord(r);
  if (archive.Failed() || source.Remaining() != 0) std::printf("resource document did not read cleanly\n");
  return records.size();
}

double MBps(size_t bytes, double seconds) { return double(bytes) / (1024.0 * 1024.0) / seconds; }

void PrintHeading(const char* what, const std::vector<unsigned char>& doc) {
  std::printf("\n%s, %.1f MB\n", what, double(doc.size()) / (1024.0 * 1024.0));
}

void PrintLine(const char* what, size_t bytes, double seconds, double readSeconds) {
  std::printf("  %-36s %9.1f MB/s", what, MBps(bytes, seconds));
  if (readSeconds > 0) std::printf("   read/memcpy %.3f", seconds / readSeconds);
  std::printf("\n");
}

// The machine's cost of a first write, next to a write to the same memory again.
void PrintFirstWriteCost() {
  const size_t size = size_t(64) << 20;
  void* block = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (!block) return;
  const double first = Seconds([&] { std::memset(block, 1, size); });
  const double again = Seconds([&] { std::memset(block, 2, size); });
  VirtualFree(block, 0, MEM_RELEASE);
  std::printf("writing 64 MB: first write to fresh memory %.1f MB/s, writing it again %.1f MB/s\n",
              MBps(size, first), MBps(size, again));
}

void RunObjects() {
  const int count = 100000;
  const auto doc = ObjectDocument(count);
  std::vector<unsigned char> touched;
  size_t n = 0;
  const auto best = BestOfRounds(5, {
      [&] { n = ReadObjects(doc); },
      CopyIntoFresh(doc, {doc.size()}),
      CopyIntoTouched(doc, touched),
      [&] {  // building and freeing the default objects alone
        std::vector<std::unique_ptr<DS_BenchSprite>> objects;
        objects.reserve(count);
        for (int i = 0; i < count; ++i) objects.emplace_back(new DS_BenchSprite());
      },
  });
  PrintHeading("objects (100k records)", doc);
  PrintLine("read", doc.size(), best[0], 0);
  PrintLine("memcpy into fresh memory", doc.size(), best[1], best[0]);
  PrintLine("memcpy into touched memory", doc.size(), best[2], best[0]);
  std::printf("  building and freeing the 100k objects without reading: %.2f s (read: %.2f s)\n", best[3], best[0]);
  if (n != size_t(count)) std::printf("  read %zu objects\n", n);
}

void RunResources(const char* what, size_t recordBytes) {
  const auto doc = ResourceDocument(size_t(100) << 20, recordBytes);
  const size_t records = (size_t(100) << 20) / recordBytes;
  std::vector<unsigned char> touched;
  size_t n = 0;
  const auto best = BestOfRounds(5, {
      [&] { n = ReadResources(doc); },
      CopyIntoFresh(doc, std::vector<size_t>(records, recordBytes)),
      CopyIntoTouched(doc, touched),
  });
  PrintHeading(what, doc);
  PrintLine("read", doc.size(), best[0], 0);
  PrintLine("memcpy into fresh memory (as read)", doc.size(), best[1], best[0]);
  PrintLine("memcpy into touched memory", doc.size(), best[2], best[0]);
  if (n != records) std::printf("  read %zu resources\n", n);
}

}  // namespace

int main() {
  std::printf("document read throughput; read/memcpy is memcpy time / read time (1.0: as fast as the copy)\n");
  PrintFirstWriteCost();
  RunObjects();
  RunResources("resources (100 x 1 MB)", size_t(1) << 20);
  RunResources("resources (1600 x 64 KB)", size_t(64) << 10);
  return 0;
}
