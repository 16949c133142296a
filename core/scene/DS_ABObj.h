#pragma once
// The scene item bases: the document-side description of a scene object
// (DS_ABObj_Constructor) and the runtime render object it creates (DS_ABObj).

#include "core/params/MediaParam.h"
#include "core/scene/DS_IOF_Item.h"
#include "core/scene/DS_TimeLineControl.h"

#include <list>
#include <string>

class DS_ABObj;
class DS_ABRender;
class DS_ImageFileLink;

// A rectangle x, y, width, height in picture pixels, as CollectBounds reports them.
struct DS_BoundsRect {
  float x, y, width, height;
};
using DS_BoundsList = std::list<DS_BoundsRect>;

// What an authoring tool shows for an object.
struct DS_PreviewImage {
  DS_ImageFileLink* imageLink = nullptr;
  int imageKind = 0;  // 1: an animated frame list
  unsigned char reserved = 0;
  float frameFraction = 1.0f;
};

class DS_ABObj_Constructor : public DS_IOF_Item {
public:
  DS_ABObj_Constructor();
  // Deep-copies the time line; copies the depth with an undo snapshot, no notification.
  DS_ABObj_Constructor(const DS_ABObj_Constructor& other);
  DS_ABObj_Constructor& operator=(const DS_ABObj_Constructor&) = delete;
  ~DS_ABObj_Constructor() override;

  void Write(DS_IOF_Virtual& archive) override { WritePart(archive); }
  virtual bool OnMouseOver(float x, float y) { return false; }
  virtual void OnClick(float x, float y) {}
  virtual int GetObjectKind() { return 3; }
  virtual DS_PreviewImage GetPreviewImage() { return DS_PreviewImage(); }
  virtual void OnRuntimeEvent(int event) {}
  // Appends (0, 0, picture width, picture height) and returns true.
  virtual bool CollectBounds(DS_BoundsList& bounds);
  virtual DS_ABObj* CreateRuntimeObject() = 0;
  virtual void RenewIdentity() {}
  // Resets the time line's random cycle.
  virtual void Reset();
  virtual bool IsSpriteObject() { return true; }
  virtual void ReservedHook1(int) {}
  virtual void ReservedHook2() {}
  virtual void ReservedHook3(int) {}
  virtual int ReservedHook4(int) { return 0; }
  virtual int QueryRuntimeObject(DS_ABObj* runtimeObject) { return 0; }

  // The base part: "DS_ABObj_Constructor", version, name, depth, time line record.
  // Returns true.
  bool ReadPart(DS_IOF_Virtual& archive);
  bool ReadFields(DS_IOF_Virtual& archive, unsigned version);
  void WritePart(DS_IOF_Virtual& archive);

  DS_TimeLineControl& TimeLine() const { return *m_TimeLine; }
  const std::wstring& Name() const { return m_Name; }

  static constexpr unsigned kVersion = 3;

  MediaParamT<unsigned> m_Depth;
  bool m_Flag = true;
  std::wstring m_Name;
  DS_TimeLineControl* m_TimeLine;
};

// The runtime render object. Owns the copy of the description it was built with.
class DS_ABObj {
public:
  explicit DS_ABObj(DS_ABObj_Constructor* description) : m_Description(description) {}
  DS_ABObj(const DS_ABObj&) = delete;
  DS_ABObj& operator=(const DS_ABObj&) = delete;
  virtual ~DS_ABObj() { delete m_Description; }

  virtual void Render(DS_ABRender& context) = 0;
  virtual void OnRuntimeEvent(int a, int b) = 0;
  virtual void OnScreenSizeChanged() = 0;
  virtual void SetVisible(bool visible) { m_Visible = visible; }
  virtual bool IsPostPass() { return false; }
  virtual int GetObjectKind() { return m_Description ? m_Description->GetObjectKind() : 3; }
  virtual bool HitTest(float x, float y) { return false; }
  virtual int QueryRuntimeObject() {
    return m_Description ? m_Description->QueryRuntimeObject(this) : 0;
  }
  virtual void Reset() {
    if (m_Description) m_Description->Reset();
  }
  virtual bool CollectBounds(DS_BoundsList& bounds) {
    return m_Description ? m_Description->CollectBounds(bounds) : false;
  }
  // Advances the object to the given object time (seconds of its own clock).
  virtual void UpdateFrame(float objectTime) = 0;

  // Advances the description's time line to the absolute time t and updates the object
  // with the resulting object clock.
  void AdvanceTime(float t);
  // Stores the slide-looped time in the description's time line.
  void SetLoopTime(float seconds);

  DS_ABObj_Constructor* Description() const { return m_Description; }
  bool IsVisible() const { return m_Visible; }

protected:
  DS_ABObj_Constructor* m_Description;
  bool m_Visible = true;
};
