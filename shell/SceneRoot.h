// What the Direct3D host needs of a scene: the operations of the slide show's root. The host
// holds one through this interface, so it can be driven by the real slide show or by a
// recording double in tests.
#pragma once

#include <memory>
#include <vector>

struct DS_ScreenQuad;
class NamedBuffer;

class SceneRoot {
 public:
  virtual ~SceneRoot() = default;
  virtual void OnDeviceLost() = 0;
  virtual void OnDeviceReset() = 0;
  virtual void UpdateFrame(float t) = 0;
  virtual void Render(bool perMonitor) = 0;
  virtual float GetAspectRatio() const = 0;
  virtual void SetPicturePosition(int mode) = 0;
  virtual void DrawIconLayer(DS_ScreenQuad* quad) = 0;
  // Every slide's runtime objects, in order, before the first frame.
  virtual void BuildRuntimeObjects() = 0;
  // The music files' data in document order, for the playlist.
  virtual std::vector<NamedBuffer*> MusicFiles() = 0;
};

// The scene of the program's own document (its "DDS" resource 107). Throws when the
// document is missing or unreadable.
std::unique_ptr<SceneRoot> LoadEmbeddedScene();
