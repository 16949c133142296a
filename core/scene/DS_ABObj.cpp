#include "core/scene/DS_ABObj.h"

DS_ABObj_Constructor::DS_ABObj_Constructor() : m_Depth(100u), m_TimeLine(new DS_TimeLineControl()) {}

DS_ABObj_Constructor::DS_ABObj_Constructor(const DS_ABObj_Constructor& other)
    : DS_IOF_Item(), m_Depth(), m_Flag(other.m_Flag), m_Name(other.m_Name),
      m_TimeLine(new DS_TimeLineControl(*other.m_TimeLine)) {
  m_Depth.StoreWithSnapshot(other.m_Depth.Get());
}

DS_ABObj_Constructor::~DS_ABObj_Constructor() { delete m_TimeLine; }

void DS_ABObj_Constructor::Reset() { m_TimeLine->Cycle().Reset(); }

bool DS_ABObj_Constructor::ReadPart(DS_IOF_Virtual& archive) {
  std::wstring className;
  unsigned version = 0;
  archive.ReadString(className);  // read, not compared
  archive.ReadUInt(version);
  return ReadFields(archive, version);
}

bool DS_ABObj_Constructor::ReadFields(DS_IOF_Virtual& archive, unsigned version) {
  archive.ReadString(m_Name);
  if (version > 2) {
    int depth = int(m_Depth.Get());
    archive.ReadInt(depth);
    m_Depth.Store(unsigned(depth));
  }
  if (version > 1) m_TimeLine->ReadPart(archive);
  return true;
}

void DS_ABObj_Constructor::WritePart(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DS_ABObj_Constructor");
  archive.WriteUInt(kVersion);
  archive.WriteString(m_Name);
  archive.WriteInt(int(m_Depth.Get()));
  m_TimeLine->Write(archive);
}

void DS_ABObj::AdvanceTime(float t) {
  if (!m_Description) return;
  DS_TimeLineControl& timeLine = m_Description->TimeLine();
  UpdateFrame(timeLine.Cycle().Update(t, timeLine));
}

void DS_ABObj::SetLoopTime(float seconds) {
  if (m_Description) m_Description->TimeLine().SetLoopTime(seconds);
}
