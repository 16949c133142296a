#include "layers/DSM_Camera.h"

#include "core/archive/ReaderRegistry.h"
#include "core/document/DocResManager.h"
#include "core/params/CompositeParams.h"
#include "core/params/Numeric.h"
#include "core/render/StageView.h"
#include "layers/RecordHead.h"

#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

constexpr float kPi = 3.1415927f;
constexpr wchar_t kBorderModule[] = L"velmora.dll";
constexpr int kBorderResourceId = 6;

bool IsFinite(float v) { return std::isfinite(v); }

}  // namespace

DS_CameraKeyFrame::DS_CameraKeyFrame()
    : position(new MediaParamT<D3DXVECTOR3>(D3DXVECTOR3(0.0f, 0.0f, 0.0f))), time(0.0f) {}

DS_CameraKeyFrame::DS_CameraKeyFrame(const D3DXVECTOR3& p, float t)
    : position(new MediaParamT<D3DXVECTOR3>(p)), time(t) {}

DSM_Camera::DSM_Camera()
    : mode(0),
      zoom(120u, 0.01f, 0.0f),
      speed(50u, 0.02f, 0.0f),
      motionFlag(0),
      borderImage(DS_FileLink3(kBorderResourceId, kBorderModule)),
      viewWidth(0u),
      viewHeight(0u),
      fromPoint(0.0f, 0.0f, 0.0f),
      toPoint(0.0f, 0.0f, 0.0f),
      m_Centre(0.0f, 0.0f, 0.0f) {}

DSM_Camera::~DSM_Camera() = default;

DSM_Camera& DSM_Camera::operator=(const DSM_Camera& other) {
  if (this == &other) return *this;
  mode = other.mode;  // undo snapshot, no notification
  zoom = other.zoom;  // value, factor, offset, with notification
  speed = other.speed;
  motionFlag.Store(other.motionFlag.Get());
  borderImage.StoreKey(other.borderImage.Path(), other.borderImage.Stamp());
  viewWidth = other.viewWidth;
  viewHeight = other.viewHeight;
  keyFrames = other.keyFrames;  // shared: the last reference deletes them
  fromPoint = other.fromPoint;
  toPoint = other.toPoint;
  moveStart = other.moveStart;
  moveEnd = other.moveEnd;
  pictureWidth = other.pictureWidth;
  pictureHeight = other.pictureHeight;
  walkPosition = other.walkPosition;
  walkingForward = other.walkingForward;
  return *this;
}

void DSM_Camera::Write(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DSM_Camera");
  const unsigned version = kVersion;
  archive.WriteUInt(version);
  const long modeValue = mode.Get();
  archive.WriteLong(modeValue);
  const int w = static_cast<int>(viewWidth.Get());
  const int h = static_cast<int>(viewHeight.Get());
  archive.WriteInt(w);
  archive.WriteInt(h);
  const unsigned count = static_cast<unsigned>(keyFrames.size());
  archive.WriteUInt(count);
  for (const auto& key : keyFrames) {
    const unsigned reserved = 0;
    archive.WriteUInt(reserved);
    const D3DXVECTOR3 p = key ? key->Position() : D3DXVECTOR3(0, 0, 0);
    const float t = key ? key->time.Get() : 0.0f;
    archive.WriteFloat(p.x);
    archive.WriteFloat(p.y);
    archive.WriteFloat(p.z);
    archive.WriteFloat(t);
  }
  const int zoomValue = static_cast<int>(zoom.Get());
  const int speedValue = static_cast<int>(speed.Get());
  archive.WriteInt(zoomValue);
  archive.WriteInt(speedValue);
  if (g_DocResManager) g_DocResManager->PrepareLinkForSave(borderImage);
  WriteFileLink(archive, borderImage);
}

bool DSM_Camera::ReadFields(DS_IOF_Virtual& archive, unsigned version) {
  if (version > 2) {
    long modeValue = mode.Get();
    archive.ReadLong(modeValue);
    mode.Store(static_cast<int>(modeValue));
    int w = static_cast<int>(viewWidth.Get());
    int h = static_cast<int>(viewHeight.Get());
    archive.ReadInt(w);
    archive.ReadInt(h);
    viewWidth.Store(static_cast<unsigned>(w));
    viewHeight.Store(static_cast<unsigned>(h));
    unsigned count = 0;
    // The count is checked against the bytes left, so a hostile count allocates nothing.
    if (ReadListCount(archive, count, kKeyFrameRecordBytes)) {
      for (unsigned i = 0; i < count && !archive.Failed(); ++i) {
        unsigned reserved = 0;
        float x = 0.0f, y = 0.0f, z = 0.0f, t = 0.0f;
        archive.ReadUInt(reserved);
        archive.ReadFloat(x);
        archive.ReadFloat(y);
        archive.ReadFloat(z);
        archive.ReadFloat(t);
        keyFrames.emplace_back(new DS_CameraKeyFrame(D3DXVECTOR3(x, y, z), t));
      }
    }
  } else {
    long moving = 0;
    archive.ReadLong(moving);
    mode.Store(moving != 0 ? kCameraRandom : kCameraStill);
  }
  int zoomValue = static_cast<int>(zoom.Get());
  archive.ReadInt(zoomValue);
  zoom.Set(static_cast<unsigned>(zoomValue));
  int speedValue = static_cast<int>(speed.Get());
  archive.ReadInt(speedValue);
  speed.Set(static_cast<unsigned>(speedValue));
  if (version > 1) ReadFileLink(archive, borderImage);
  return true;
}

DSM_Camera* DSM_Camera::ReadCameraRecord(DS_IOF_Virtual& archive) {
  const unsigned version = ReadKnownRecordHead(archive);
  std::unique_ptr<DSM_Camera> camera(new DSM_Camera());
  camera->ReadFields(archive, version);
  return camera.release();
}

void DSM_Camera::SetDefaultViewSize(unsigned w, unsigned h) {
  viewWidth.StoreWithSnapshot(SaturateToUInt(0.8 * double(w)));
  viewHeight.StoreWithSnapshot(SaturateToUInt(0.8 * double(h)));
}

float DSM_Camera::ZoomFactor() const {
  const float z = zoom.Derived();
  // A zoom of 0 would divide the picture by zero; it shows the whole picture instead.
  return (IsFinite(z) && z > 0.0f) ? z : 1.0f;
}

void DSM_Camera::VisibleSize(unsigned pw, unsigned ph, int viewMode, unsigned* width,
                             unsigned* height) const {
  *width = pw;
  *height = ph;
  if (motionFlag.Get() == 0 || viewMode == 3) return;
  if (mode.Get() == kCameraRandom) {
    const float z = ZoomFactor();
    *width = SaturateToUInt(float(pw) / z);
    *height = SaturateToUInt(float(ph) / z);
  } else if (mode.Get() == kCameraPath) {
    // A view size of 0 (an old record before the layer sized it) would make the stage
    // divide by zero; the whole picture is shown instead.
    if (viewWidth.Get() != 0 && viewHeight.Get() != 0) {
      *width = viewWidth.Get();
      *height = viewHeight.Get();
    }
  }
}

void DSM_Camera::ApplyLayout(const DS_TextureRecord& picture, unsigned renderWidth,
                             unsigned renderHeight, int viewMode, bool inside) {
  pictureWidth = picture.width;
  pictureHeight = picture.height;
  DS_TextureRecord visible(picture);
  VisibleSize(picture.width, picture.height, viewMode, &visible.width, &visible.height);
  if (g_StageView)
    g_StageView->SetLayout(visible, renderWidth, renderHeight, picture, viewMode, inside);
}

float DSM_Camera::EasingWeight(float t) const {
  const float length = moveEnd - moveStart;
  // A move of no length (or a negative or undefined one) has already arrived.
  if (!(length > 0.0f) || !IsFinite(length)) return 1.0f;
  const float w = (1.0f - std::cos(kPi * (t - moveStart) / length)) / 2.0f;
  return IsFinite(w) ? w : 1.0f;
}

void DSM_Camera::Update(float now) {
  speed.Advance(now);
  const float t = speed.Time();
  if (mode.Get() == kCameraStill || motionFlag.Get() != 1) {
    m_OffsetEnabled = false;
    m_Centre = toPoint;
    if (g_StageView) g_StageView->SetOffset(false, m_Centre.x, m_Centre.y, pictureWidth, pictureHeight);
    return;
  }
  if (t >= moveEnd) ChooseNextTarget(t);
  const float w = EasingWeight(t);
  m_Centre = fromPoint + (toPoint - fromPoint) * w;
  // Key frames are read as they stand: one that is not a number must not reach the stage's
  // matrices. The camera shows the picture's middle instead.
  if (!IsFinite(m_Centre.x) || !IsFinite(m_Centre.y) || !IsFinite(m_Centre.z))
    m_Centre = D3DXVECTOR3(float(pictureWidth) / 2.0f, float(pictureHeight) / 2.0f, 0.0f);
  m_OffsetEnabled = true;
  if (g_StageView) g_StageView->SetOffset(true, m_Centre.x, m_Centre.y, pictureWidth, pictureHeight);
}

float DSM_Camera::KeyFrameTime(size_t i) const {
  if (i >= keyFrames.size() || !keyFrames[i]) return 0.0f;
  const float t = keyFrames[i]->time.Get();
  return (IsFinite(t) && t > 0.0f) ? t : 0.0f;
}

void DSM_Camera::ChooseNextTarget(float t) {
  fromPoint = toPoint;
  moveStart = t;
  if (mode.Get() == kCameraRandom) {
    // Stored documents' motion depends on this draw order: parity, x, y, duration.
    const int r = std::rand();
    if (r % 2 == 0) {
      moveEnd = t + 0.5f;  // a rest at the same point
      return;
    }
    const float z = ZoomFactor();
    const float reach = (1.0f - z) / z;
    toPoint.x = (1.0f + RandomFloat(-1.0f, 1.0f) * reach) * float(pictureWidth) / 2.0f;
    toPoint.y = (1.0f + RandomFloat(-1.0f, 1.0f) * reach) * float(pictureHeight) / 2.0f;
    moveEnd = t + RandomFloat(5.0f, 7.0f);
  } else if (mode.Get() == kCameraPath) {
    const size_t n = keyFrames.size();
    if (n < 2 || walkPosition >= n) return;
    if (walkingForward) {
      moveEnd = t + KeyFrameTime(walkPosition);
      ++walkPosition;
    } else {
      --walkPosition;
      moveEnd = t + KeyFrameTime(walkPosition);
    }
    if (walkPosition == n) {
      walkingForward = false;
      walkPosition = n - 2;
      moveEnd = t + KeyFrameTime(n - 2);
    }
    if (walkPosition == 0) walkingForward = true;
    if (keyFrames[walkPosition]) toPoint = keyFrames[walkPosition]->Position();
  }
}

void DSM_Camera::Restart() {
  fromPoint = toPoint = D3DXVECTOR3(float(pictureWidth) / 2.0f, float(pictureHeight) / 2.0f, 0.0f);
  moveStart = moveEnd = 0.0f;
  walkPosition = 0;
  if (mode.Get() == kCameraPath && !keyFrames.empty() && keyFrames[0])
    fromPoint = toPoint = keyFrames[0]->Position();
  walkingForward = true;
}
