#pragma once
// A slide: one picture of the show with its layer, its scene objects, its sounds and its
// timing (fade-in, show and fade-out times, and whether it ever ends).

#include "core/params/MediaParam.h"
#include "core/params/ScaledParams.h"
#include "core/scene/DS_ABObj.h"
#include "core/scene/DS_IOF_Item.h"
#include "layers/DS_2D_Light.h"

#include <list>
#include <vector>

// The slide's times as the show uses them. Times that are negative or not numbers count
// as 0, so that no fade divides by an undefined length.
struct DS_SlideTiming {
  float fadeIn = 1.0f;
  float show = 10.0f;
  float fadeOut = 1.0f;
  int mode = 0;  // 1: the slide never ends

  float Length() const { return fadeIn + show + fadeOut; }
  bool NeverEnds() const { return mode == 1; }
};

class DS_SlideContainer : public DS_IOF_Item {
public:
  DS_SlideContainer();
  DS_SlideContainer(const DS_SlideContainer&) = delete;
  DS_SlideContainer& operator=(const DS_SlideContainer&) = delete;
  ~DS_SlideContainer() override;

  void Write(DS_IOF_Virtual& archive) override;
  virtual void OnDeviceLost();

  bool ReadFields(DS_IOF_Virtual& archive, unsigned version);
  void WriteFields(DS_IOF_Virtual& archive);

  // Creates the layer's device objects and the runtime objects of every description, then
  // frees the descriptions.
  void BuildRuntimeObjects();
  void UpdateFrame(float t);
  void Render(bool perMonitor);
  void FinishFrame(bool perMonitor);
  void ResetObjects();
  void EnableSounds(bool enable);
  void Resize(unsigned width, unsigned height);
  void SetViewMode(int mode);
  DS_SharedRef<DS_2D_Light> GetLayer() const { return m_Layer; }

  // The number of readers of the scene drawn so far: the shown post-pass objects, plus one
  // when the layer post-processes the slide.
  unsigned CountSceneReaders() const;
  // The slide-looped time for absolute time t. A loop length of 0 would take a remainder
  // by zero; such a slide's schedule does not repeat (the absolute time is handed on).
  float LoopedTime(float t) const;
  DS_SlideTiming Timing() const;

  bool HasLayer() const { return m_Layer.get() != nullptr; }
  DS_2D_Light* Layer() const { return m_Layer.get(); }
  void SetLayer(DS_2D_Light* layer) { m_Layer = DS_SharedRef<DS_2D_Light>(layer); }
  const DS_RuntimeObjects& RuntimeObjects() const { return m_RuntimeObjects; }
  const DS_RuntimeObjects& SoundObjects() const { return m_SoundObjects; }
  const std::list<DS_ABObj_Constructor*>& Descriptions() const { return m_Descriptions; }
  const std::list<DS_ABObj_Constructor*>& SoundDescriptions() const { return m_SoundDescriptions; }
  void AddDescription(DS_ABObj_Constructor* d) { if (d) m_Descriptions.push_back(d); }
  void AddSoundDescription(DS_ABObj_Constructor* d) { if (d) m_SoundDescriptions.push_back(d); }

  static constexpr unsigned kVersion = 5;

  MediaParamT<int> mode;
  MediaParamT<float> fadeInTime;
  MediaParamT<float> fadeOutTime;
  MediaParamT<float> showTime;
  MediaParamT<int> spareValue;
  MediaParamTB<ds_string> name;
  TimeParam loopLength;

private:
  DS_SharedRef<DS_2D_Light> m_Layer;
  DS_RuntimeObjects m_RuntimeObjects;
  DS_RuntimeObjects m_SoundObjects;
  std::list<DS_ABObj_Constructor*> m_Descriptions;
  std::list<DS_ABObj_Constructor*> m_SoundDescriptions;
};
