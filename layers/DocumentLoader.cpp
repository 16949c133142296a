#include "layers/DocumentLoader.h"

#include "core/archive/DS_IOF.h"
#include "core/document/DocResManager.h"
#include "layers/DS_SlideShow_Light.h"
#include "layers/RecordHead.h"

#include <memory>
#include <string>

DS_SlideShow_Light* ReadSceneRoot(DS_IOF_Virtual& archive) {
  ReadKnownRecordHead(archive);  // the version is not used
  std::unique_ptr<DS_SlideShow_Light> root(new DS_SlideShow_Light());
  root->ReadSlides(archive);
  root->ReadAudioFiles(archive);
  return root.release();
}

DS_DocResManager* ReadDocResManager(DS_IOF_Virtual& archive) {
  const unsigned version = ReadKnownRecordHead(archive);
  std::unique_ptr<DS_DocResManager> manager(new DS_DocResManager());
  manager->Read(archive, version);
  return manager.release();
}

namespace {

DS_SlideShow_Light* LoadFromSource(ResourceBuffer& source) {
  // The header's text is not compared with anything.
  std::wstring header;
  ReadStringFrom(source, header);
  DS_IOF_R<ResourceBuffer> archive(&source);
  std::unique_ptr<DS_SlideShow_Light> root(ReadSceneRoot(archive));
  std::unique_ptr<DS_DocResManager> manager(ReadDocResManager(archive));
  // A document that ended early (or lied about its sizes) cannot be shown as written.
  if (archive.Failed() || source.Failed()) throw kDocumentFormatError;
  if (manager) {
    // Loading again (only tests do) replaces the store; the old one goes with its objects.
    delete g_DocResManager;
    g_DocResManager = manager.release();
  }
  return root.release();
}

}  // namespace

DS_SlideShow_Light* LoadModuleDocument(HMODULE module) {
  ResourceBuffer source;
  if (!LoadModuleResource(module, source, kDocumentResourceId) || !source.Cursor())
    throw kDocumentFormatError;
  return LoadFromSource(source);
}

DS_SlideShow_Light* LoadEmbeddedDocument() { return LoadModuleDocument(nullptr); }

DS_SlideShow_Light* LoadDocumentFromMemory(const void* bytes, size_t size) {
  if (!bytes || size == 0) throw kDocumentFormatError;
  ResourceBuffer source(bytes, size);
  return LoadFromSource(source);
}
