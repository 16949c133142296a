#pragma once
// The camera through which a layer shows its slide's picture: still (the whole picture),
// random pan and zoom with eased moves, or a glide along key frames, forward to the last
// and back to the first. The camera does not draw: it hands the visible size to the stage
// view's layout and the centre to the stage view's offset.

#include "core/archive/DS_IOF.h"
#include "core/document/FileLink.h"
#include "core/params/MediaParam.h"
#include "core/params/ScaledParams.h"
#include "core/render/D3DUtil.h"
#include "core/scene/DS_IOF_Item.h"

#include <d3dx9math.h>

#include <vector>

// A point of the key-frame path and the duration (camera seconds) of the move between it
// and the next key frame, in either direction of the walk.
class DS_CameraKeyFrame {
public:
  DS_CameraKeyFrame();
  DS_CameraKeyFrame(const D3DXVECTOR3& position, float time);

  D3DXVECTOR3 Position() const { return position ? position->Get() : D3DXVECTOR3(0, 0, 0); }

  // Shared with the path generator, which reads the same position parameter.
  DS_SharedRef<MediaParamT<D3DXVECTOR3>> position;
  MediaParamT<float> time;
};

// The camera modes.
enum DSM_CameraMode : int {
  kCameraStill = 0,
  kCameraRandom = 1,
  kCameraPath = 2,
};

class DSM_Camera : public DS_IOF_Item {
public:
  DSM_Camera();
  DSM_Camera(const DSM_Camera&) = delete;
  DSM_Camera& operator=(const DSM_Camera& other);
  ~DSM_Camera() override;

  void Write(DS_IOF_Virtual& archive) override;
  // Reads the fields after the class name and version. Returns true.
  bool ReadFields(DS_IOF_Virtual& archive, unsigned version);
  // A complete embedded record: class name (not compared), version, fields.
  static DSM_Camera* ReadCameraRecord(DS_IOF_Virtual& archive);

  // The view size of the key-frame path: 80 % of the picture, truncated.
  void SetDefaultViewSize(unsigned pictureWidth, unsigned pictureHeight);
  // Computes the visible size and lays the stage view out with it.
  void ApplyLayout(const DS_TextureRecord& picture, unsigned renderWidth, unsigned renderHeight,
                   int viewMode, bool insideRenderTarget);
  // Advances the camera clock to the frame time and sets the stage view's offset.
  void Update(float now);
  // Back to the start of the motion: the picture centre, or the first key frame.
  void Restart();
  // Begins the next move at camera time t.
  void ChooseNextTarget(float t);

  // The zoom of the random mode; a zoom that is not positive shows the whole picture.
  float ZoomFactor() const;
  // The visible size ApplyLayout hands to the stage view for this picture and view mode.
  void VisibleSize(unsigned pictureWidth, unsigned pictureHeight, int viewMode, unsigned* width,
                   unsigned* height) const;
  // Cosine easing of the current move at camera time t: 0 at its start, 1 at its end.
  float EasingWeight(float t) const;

  // What the last Update handed to the stage view.
  bool OffsetEnabled() const { return m_OffsetEnabled; }
  const D3DXVECTOR3& Centre() const { return m_Centre; }

  static constexpr unsigned kVersion = 3;
  static constexpr unsigned kKeyFrameRecordBytes = 20;

  MediaParamT<int> mode;
  UINTSclaleTo<float> zoom;
  MediaSpeedParam speed;
  MediaParamTB<int> motionFlag;
  DS_ImageFileLink borderImage;
  MediaParamT<unsigned> viewWidth;
  MediaParamT<unsigned> viewHeight;
  std::vector<DS_SharedRef<DS_CameraKeyFrame>> keyFrames;
  D3DXVECTOR3 fromPoint;
  D3DXVECTOR3 toPoint;
  float moveStart = 0.0f;
  float moveEnd = 0.0f;
  unsigned pictureWidth = 0;
  unsigned pictureHeight = 0;
  size_t walkPosition = 0;
  bool walkingForward = true;

private:
  // The duration of the move that begins at key frame i: a time that is not a positive
  // number gives a move of no length (a jump to the target).
  float KeyFrameTime(size_t i) const;

  bool m_OffsetEnabled = false;
  D3DXVECTOR3 m_Centre;
};
