#pragma once
// The root of a scene: the slide show. It owns the slides and the music files; the
// Direct3D host drives it every frame (update, then render) and forwards device loss and
// reset, the picture position and the icon layer's draw.

#include "core/archive/DS_IOF.h"
#include "core/params/MediaParam.h"
#include "core/render/D3DUtil.h"
#include "core/render/ScreenQuad.h"
#include "core/scene/DS_IOF_Item.h"
#include "layers/DS_SlideContainer.h"

#include <string>
#include <vector>

// A music file of the show's playlist: its file name and its bytes (the buffer's name is
// the path the file came from).
class DS_AudioFile : public DS_IOF_Item {
public:
  void Write(DS_IOF_Virtual& archive) override;

  std::wstring name;
  NamedBuffer data;
};

// The black fade over a slide change, for the slide's elapsed time e: (fi - e) / fi while
// it fades in, (e - fi - s) / fo while it fades out (never for a slide that never ends),
// 0 in between. Always within 0..1: a fade of no length is already over (fade-in) or
// fully black (fade-out).
float SlideFadeValue(float elapsed, const DS_SlideTiming& timing);

class DS_SlideShow_Light : public DS_IOF_Item {
public:
  DS_SlideShow_Light() = default;
  DS_SlideShow_Light(const DS_SlideShow_Light&) = delete;
  DS_SlideShow_Light& operator=(const DS_SlideShow_Light&) = delete;
  ~DS_SlideShow_Light() override;

  void Write(DS_IOF_Virtual& archive) override;
  virtual void Render(bool perMonitor);
  virtual void OnDeviceLost();
  virtual void OnDeviceReset();
  virtual void UpdateFrame(float t);
  virtual void ActivateSlide();
  virtual void GetScreenRect(QuadVertices& quad);

  // Operations the host calls.
  float GetAspectRatio() const;
  void DrawIconLayer(DS_ScreenQuad* quad);
  void SetPicturePosition(int mode);

  // The record after the class name and version: the slides, then the audio files.
  void ReadSlides(DS_IOF_Virtual& archive);
  void ReadAudioFiles(DS_IOF_Virtual& archive);
  static DS_AudioFile* ReadAudioFile(DS_IOF_Virtual& archive);

  // Appends a slide (a slide without a layer cannot be shown and is dropped).
  void AddSlide(DS_SlideContainer* slide);

  const std::vector<DS_SharedRef<DS_SlideContainer>>& Slides() const { return m_Slides; }
  const std::vector<DS_SharedRef<DS_AudioFile>>& AudioFiles() const { return m_AudioFiles; }
  DS_SlideContainer* CurrentSlide() const { return m_CurrentSlide.get(); }
  float SlideStartTime() const { return m_SlideStartTime; }
  unsigned NextIndex() const { return m_NextIndex; }
  DS_ScreenQuad* FadeQuad() const { return m_FadeQuad; }
  // The fade value of the last update.
  float FadeValue() const { return m_FadeValue; }

  static constexpr unsigned kVersion = 1;

private:
  DS_SharedRef<DS_SlideContainer> m_CurrentSlide;
  std::vector<DS_SharedRef<DS_SlideContainer>> m_Slides;
  std::vector<DS_SharedRef<DS_AudioFile>> m_AudioFiles;
  float m_SlideStartTime = 0.0f;
  unsigned m_NextIndex = 1;
  DS_ScreenQuad* m_FadeQuad = nullptr;
  float m_FadeValue = 0.0f;
};
