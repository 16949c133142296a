#pragma once
// File links: the parameters through which scene objects name a picture, an animated
// picture, an effect source, a mesh or a sound. A link is a key (path, stamp) that the
// document resource manager resolves; it has listeners like any other parameter.
// Also the font parameter of the text objects.
#include <list>
#include <string>

#include "core/archive/DS_IOF.h"
#include "core/document/ResourceKeys.h"
#include "core/params/MediaParam.h"

class DS_DocResManager;
struct DS_TextureSet;

class DS_FileLink3 : public MediaParam {
public:
  // Empty path, stamp 0.
  DS_FileLink3() = default;
  // A file path; the stamp is the file's modification time (0 when it cannot be had).
  explicit DS_FileLink3(const std::wstring& path);
  // A module resource: path = the module name, stamp = the id sign-extended.
  DS_FileLink3(int resourceId, const std::wstring& moduleName);
  explicit DS_FileLink3(const DS_LinkKey& key);
  // A stored record: with a non-zero id, the module name and the id (zero-extended);
  // with id 0, the record's name and the next running number of the process.
  explicit DS_FileLink3(const DS_ResourceRecord& record);
  // Copies share no listeners (the copy's list starts empty).
  DS_FileLink3(const DS_FileLink3& other) : MediaParam(), m_Path(other.m_Path), m_Stamp(other.m_Stamp) {}
  // Copies the key without notifying anybody.
  DS_FileLink3& operator=(const DS_FileLink3& other);
  ~DS_FileLink3() override = default;

  const std::wstring& Path() const { return m_Path; }
  long long Stamp() const { return m_Stamp; }
  DS_LinkKey GetKey() const { return DS_LinkKey(m_Path, m_Stamp); }

  // The setter: takes the key and notifies every listener except sender, when it differs.
  void SetKey(const std::wstring& path, long long stamp, MediaControl* sender = nullptr);
  // Takes the key without notification (readers, copies).
  void StoreKey(const std::wstring& path, long long stamp);

  // The path's last "." onward in lower case; empty without a ".".
  std::wstring GetExtension() const;

  // The link's texture set from the manager; never fails, may be empty.
  DS_TextureSet& GetTextureSet(DS_DocResManager& manager) const;
  // The texture set that the link's module resource describes (a stored texture set).
  DS_TextureSet& LoadModuleTextureSet(DS_DocResManager& manager) const;

protected:
  std::wstring m_Path;
  long long m_Stamp = 0;
};

// An effect source. Names what the link holds; adds nothing.
class DS_HLSLEffectFile : public DS_FileLink3 {
public:
  using DS_FileLink3::DS_FileLink3;
  DS_HLSLEffectFile() = default;
};

// A .x mesh. Names what the link holds; adds nothing.
class DS_MeshFile : public DS_FileLink3 {
public:
  using DS_FileLink3::DS_FileLink3;
  DS_MeshFile() = default;
};

// A picture or an animated picture, with an undo history of keys.
class DS_ImageFileLink : public DS_FileLink3 {
public:
  class UndoImage final : public UndoCtrl {
  public:
    static constexpr size_t kMaxEntries = 20;

    explicit UndoImage(DS_ImageFileLink* link);
    UndoImage(const UndoImage&) = delete;
    UndoImage& operator=(const UndoImage&) = delete;

    void Detach() override { m_Link = nullptr; }
    bool IsUndoControl() const override { return false; }
    void OnChanged(MediaControl* sender) override;
    void Undo() override;
    void Redo() override;
    void RecordUndo() override;

    const DS_LinkKey& Saved() const { return m_Saved; }
    const std::list<DS_LinkKey>& History() const { return m_History; }

  private:
    void ApplySaved();

    DS_ImageFileLink* m_Link;
    DS_LinkKey m_Saved;
    std::list<DS_LinkKey> m_History;  // newest first
    std::list<DS_LinkKey>::iterator m_Position;
  };

  DS_ImageFileLink();
  explicit DS_ImageFileLink(const DS_FileLink3& link);
  DS_ImageFileLink(const DS_ImageFileLink& other);
  // Copies the key without notification; the undo control takes a snapshot.
  DS_ImageFileLink& operator=(const DS_ImageFileLink& other);
  DS_ImageFileLink& operator=(const DS_FileLink3& other);
  ~DS_ImageFileLink() override;

  // Image links were refreshed by the authoring tool; the player has nothing to refresh.
  void Refresh(int code, MediaControl* sender) override {}

  UndoImage& GetUndo() { return m_Undo; }

private:
  UndoImage m_Undo;
};

// Reads a link's record (path string, then the 64-bit stamp) into the link without
// notifying its listeners. A truncated record leaves the link as it was.
void ReadFileLink(DS_IOF_Virtual& archive, DS_FileLink3& link);
// Writes a link's record. With a non-empty path, the link's stored records in the
// resource manager's store are first kept for saving.
void WriteFileLink(DS_IOF_Virtual& archive, const DS_FileLink3& link);

// The font of the text objects. Its users read and write the fields in their own records.
class FontMediaParam : public MediaParam {
public:
  FontMediaParam() = default;
  FontMediaParam(const FontMediaParam& other)
      : MediaParam(), height(other.height), weight(other.weight), third(other.third), faceName(other.faceName)
  {
  }
  FontMediaParam& operator=(const FontMediaParam& other)
  {
    height = other.height;
    weight = other.weight;
    third = other.third;
    faceName = other.faceName;
    return *this;
  }

  int height = 32;
  int weight = 700;
  int third = 0;
  std::wstring faceName = L"Arial";
};

// The running number given to links made from records without an id (process-wide,
// 32-bit, starting at 0). Returns the value the next such link gets.
int PeekNextLinkNumber();
