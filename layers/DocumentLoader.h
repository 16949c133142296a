#pragma once
// Loading the scene document that the player carries as its "DDS" resource 107: the
// scene root and the document's resource store, which becomes g_DocResManager.
//
// The loader lives beside the scene root (it builds one) so that the core library does
// not depend on the layers.

#include <windows.h>

#include <cstddef>

class DS_SlideShow_Light;
class DS_IOF_Virtual;
class DS_DocResManager;

// Thrown (as an unsigned 32-bit integer) when the document resource is missing, empty or
// cannot be loaded, and when the document is truncated or malformed; the shell reports it
// as a wrong file format.
constexpr unsigned kDocumentFormatError = 0x8200000Bu;
constexpr int kDocumentResourceId = 107;

// The program's own document. The caller owns the root.
DS_SlideShow_Light* LoadEmbeddedDocument();
// The document of the given module (null: the program's own file).
DS_SlideShow_Light* LoadModuleDocument(HMODULE module);
// A document already in memory: header string, scene root, resource store.
DS_SlideShow_Light* LoadDocumentFromMemory(const void* bytes, size_t size);

// The two top-level records, read without a registry: class name (not compared), version,
// then the fields.
DS_SlideShow_Light* ReadSceneRoot(DS_IOF_Virtual& archive);
DS_DocResManager* ReadDocResManager(DS_IOF_Virtual& archive);
