#include "core/document/FileLink.h"

#include <sys/stat.h>


#include "core/document/DocResManager.h"
#include "core/document/ResourceModule.h"

namespace {

// Links made from stored records without an id are told apart by this number. It counts
// for the whole process and is never stored.
int g_NextLinkNumber = 0;

}  // namespace

int PeekNextLinkNumber() { return g_NextLinkNumber; }

DS_FileLink3::DS_FileLink3(const std::wstring& path) : m_Path(path)
{
  struct _stat64 status;
  if (!path.empty() && _wstat64(path.c_str(), &status) == 0) m_Stamp = static_cast<long long>(status.st_mtime);
}

DS_FileLink3::DS_FileLink3(int resourceId, const std::wstring& moduleName)
    : m_Path(moduleName), m_Stamp(static_cast<long long>(resourceId))
{
}

DS_FileLink3::DS_FileLink3(const DS_LinkKey& key) : m_Path(key.path), m_Stamp(key.stamp) {}

DS_FileLink3::DS_FileLink3(const DS_ResourceRecord& record)
{
  if (record.resourceId != 0) {
    m_Path = record.moduleName;
    m_Stamp = static_cast<long long>(static_cast<unsigned>(record.resourceId));
  } else {
    m_Path = record.name;
    m_Stamp = static_cast<long long>(g_NextLinkNumber);
    // Wraps like the 32-bit counter it is, without signed overflow.
    g_NextLinkNumber = static_cast<int>(static_cast<unsigned>(g_NextLinkNumber) + 1u);
  }
}

DS_FileLink3& DS_FileLink3::operator=(const DS_FileLink3& other)
{
  m_Path = other.m_Path;
  m_Stamp = other.m_Stamp;
  return *this;
}

void DS_FileLink3::SetKey(const std::wstring& path, long long stamp, MediaControl* sender)
{
  if (path == m_Path && stamp == m_Stamp) return;
  m_Path = path;
  m_Stamp = stamp;
  NotifyChanged(sender);
}

void DS_FileLink3::StoreKey(const std::wstring& path, long long stamp)
{
  m_Path = path;
  m_Stamp = stamp;
}

std::wstring DS_FileLink3::GetExtension() const { return PathExtension(m_Path); }

DS_TextureSet& DS_FileLink3::GetTextureSet(DS_DocResManager& manager) const
{
  return manager.GetTextureSet(GetKey());
}

DS_TextureSet& DS_FileLink3::LoadModuleTextureSet(DS_DocResManager& manager) const
{
  return manager.LoadModuleTextureSet(GetKey());
}

// ---------------------------------------------------------------------------------------
// Image links and their undo history

DS_ImageFileLink::UndoImage::UndoImage(DS_ImageFileLink* link) : m_Link(link), m_Position(m_History.end()) {}

void DS_ImageFileLink::UndoImage::OnChanged(MediaControl*)
{
  if (!m_Link) return;
  if (m_Link->Path() != m_Saved.path || m_Link->Stamp() != m_Saved.stamp) m_Saved = m_Link->GetKey();
}

void DS_ImageFileLink::UndoImage::RecordUndo()
{
  // Undone entries can no longer be redone.
  m_History.erase(m_History.begin(), m_Position);
  m_History.push_front(m_Saved);
  if (m_History.size() > kMaxEntries) m_History.pop_back();
  m_Position = m_History.begin();
}

void DS_ImageFileLink::UndoImage::Undo()
{
  if (m_History.empty() || m_Position == m_History.end()) return;
  std::swap(m_Saved, *m_Position);
  ++m_Position;
  ApplySaved();
}

void DS_ImageFileLink::UndoImage::Redo()
{
  if (m_History.empty() || m_Position == m_History.begin()) return;
  --m_Position;
  std::swap(m_Saved, *m_Position);
  ApplySaved();
}

void DS_ImageFileLink::UndoImage::ApplySaved()
{
  if (!m_Link) return;
  m_Link->StoreKey(m_Saved.path, m_Saved.stamp);
  // Sent as this control so that it does not snapshot its own change.
  m_Link->NotifyChanged(this);
}

DS_ImageFileLink::DS_ImageFileLink() : m_Undo(this)
{
  AddControl(&m_Undo);
  m_Undo.OnChanged(nullptr);
}

DS_ImageFileLink::DS_ImageFileLink(const DS_FileLink3& link) : DS_FileLink3(link), m_Undo(this)
{
  AddControl(&m_Undo);
  m_Undo.OnChanged(nullptr);
}

DS_ImageFileLink::DS_ImageFileLink(const DS_ImageFileLink& other) : DS_FileLink3(other), m_Undo(this)
{
  AddControl(&m_Undo);
  m_Undo.OnChanged(nullptr);
}

DS_ImageFileLink& DS_ImageFileLink::operator=(const DS_ImageFileLink& other)
{
  DS_FileLink3::operator=(other);
  m_Undo.OnChanged(nullptr);
  return *this;
}

DS_ImageFileLink& DS_ImageFileLink::operator=(const DS_FileLink3& other)
{
  DS_FileLink3::operator=(other);
  m_Undo.OnChanged(nullptr);
  return *this;
}

DS_ImageFileLink::~DS_ImageFileLink()
{
  // The embedded control dies with this object, before the base detaches the list.
  RemoveControl(&m_Undo);
}

// ---------------------------------------------------------------------------------------
// Records

void ReadFileLink(DS_IOF_Virtual& archive, DS_FileLink3& link)
{
  std::wstring path;
  long long stamp = link.Stamp();
  archive.ReadString(path);
  archive.ReadInt64(stamp);
  if (archive.Failed()) return;
  link.StoreKey(path, stamp);
}

void WriteFileLink(DS_IOF_Virtual& archive, const DS_FileLink3& link)
{
  if (!link.Path().empty() && g_DocResManager) g_DocResManager->KeepStoredRecordsForSave(link.GetKey());
  archive.WriteString(link.Path());
  archive.WriteInt64(link.Stamp());
}
