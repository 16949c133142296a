#include "layers/DS_SlideShow_Light.h"

#include "core/archive/ReaderRegistry.h"
#include "layers/RecordHead.h"

#include <cmath>
#include <memory>

namespace {

// Smallest audio-file record: class name, version, name string, buffer size, buffer name.
constexpr size_t kMinAudioFileBytes = kMinStringBytes + 4 + kMinStringBytes + 4 + kMinStringBytes;

}  // namespace

void DS_AudioFile::Write(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DS_AudioFile");
  const unsigned version = 1;
  archive.WriteUInt(version);
  archive.WriteString(name);
  archive.WriteBuffer(data);
}

float SlideFadeValue(float e, const DS_SlideTiming& timing) {
  const float fi = timing.fadeIn, s = timing.show, fo = timing.fadeOut;
  float v = 0.0f;
  if (e < fi) {
    v = fi > 0.0f ? (fi - e) / fi : 0.0f;
  } else if (!timing.NeverEnds() && e > fi + s) {
    v = fo > 0.0f ? (e - (fi + s)) / fo : 1.0f;
  }
  if (!(v > 0.0f)) return 0.0f;  // also NaN
  return v < 1.0f ? v : 1.0f;
}

DS_SlideShow_Light::~DS_SlideShow_Light() {
  delete m_FadeQuad;
  m_AudioFiles.clear();
  m_Slides.clear();
  m_CurrentSlide.reset();
}

void DS_SlideShow_Light::Write(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DS_SlideShow_Light");
  const unsigned version = kVersion;
  archive.WriteUInt(version);
  const unsigned slideCount = static_cast<unsigned>(m_Slides.size());
  archive.WriteUInt(slideCount);
  for (const auto& s : m_Slides) s->Write(archive);
  const unsigned audioCount = static_cast<unsigned>(m_AudioFiles.size());
  archive.WriteUInt(audioCount);
  for (const auto& a : m_AudioFiles) a->Write(archive);
}

void DS_SlideShow_Light::AddSlide(DS_SlideContainer* slide) {
  if (!slide) return;
  if (!slide->HasLayer()) {
    delete slide;
    return;
  }
  m_Slides.emplace_back(slide);
}

void DS_SlideShow_Light::ReadSlides(DS_IOF_Virtual& archive) {
  ReadObjectList(archive, [](DS_IOF_Virtual& a) { return ReadSlideObject(a); },
                 [&](DS_SlideContainer* slide) { AddSlide(slide); });
}

DS_AudioFile* DS_SlideShow_Light::ReadAudioFile(DS_IOF_Virtual& archive) {
  std::unique_ptr<DS_AudioFile> file(new DS_AudioFile());
  ReadKnownRecordHead(archive);  // the version is not used
  archive.ReadString(file->name);
  archive.ReadBuffer(file->data);
  return file.release();
}

void DS_SlideShow_Light::ReadAudioFiles(DS_IOF_Virtual& archive) {
  unsigned count = 0;
  if (!ReadListCount(archive, count, kMinAudioFileBytes)) return;
  for (unsigned i = 0; i < count && !archive.Failed(); ++i) {
    DS_AudioFile* file = ReadAudioFile(archive);
    if (archive.Failed()) {
      delete file;
      break;
    }
    m_AudioFiles.emplace_back(file);
  }
}

void DS_SlideShow_Light::GetScreenRect(QuadVertices& quad) { quad = MakeBackBufferQuad(); }

void DS_SlideShow_Light::ActivateSlide() {
  DS_SlideContainer* slide = m_CurrentSlide.get();
  if (!slide) return;
  const D3DSURFACE_DESC desc = GetBackBufferDesc();
  if (desc.Width != 0) slide->Resize(desc.Width, desc.Height);
  if (DS_2D_Light* layer = slide->Layer()) layer->SetCameraEnabled(true);
  slide->ResetObjects();
  slide->EnableSounds(true);
}

void DS_SlideShow_Light::UpdateFrame(float t) {
  if (m_CurrentSlide && m_FadeQuad) {
    if (m_Slides.size() >= 2) {
      DS_SlideTiming timing = m_CurrentSlide->Timing();
      if (!timing.NeverEnds() && timing.Length() < t - m_SlideStartTime) {
        m_CurrentSlide->EnableSounds(false);
        if (m_NextIndex >= m_Slides.size()) m_NextIndex = 0;
        m_CurrentSlide = m_Slides[m_NextIndex];
        m_SlideStartTime = t;
        ++m_NextIndex;
        if (m_NextIndex >= m_Slides.size()) m_NextIndex = 0;
        ActivateSlide();
        timing = m_CurrentSlide->Timing();
      }
      m_FadeValue = SlideFadeValue(t - m_SlideStartTime, timing);
      m_FadeQuad->SetColorQuadAlphas(m_FadeValue, m_FadeValue, m_FadeValue, m_FadeValue);
    }
  } else {
    // An empty show has nothing to update or draw; the host's black clear stays.
    if (m_Slides.empty()) return;
    m_CurrentSlide = m_Slides[0];
    // The first slide starts at the end of its fade-in: it does not fade in.
    m_SlideStartTime = t - m_CurrentSlide->Timing().fadeIn;
    ActivateSlide();
    QuadVertices rect;
    GetScreenRect(rect);
    delete m_FadeQuad;
    m_FadeQuad = new DS_ScreenQuad();
    m_FadeQuad->BuildColorQuad(0, rect);
    m_FadeValue = 0.0f;
  }
  m_CurrentSlide->UpdateFrame(t);
}

void DS_SlideShow_Light::Render(bool perMonitor) {
  DS_SlideContainer* slide = m_CurrentSlide.get();
  if (!slide) return;
  slide->Render(perMonitor);
  slide->FinishFrame(perMonitor);
  if (m_FadeQuad && slide->Layer()) slide->Layer()->DrawFadeQuad(m_FadeQuad);
}

void DS_SlideShow_Light::OnDeviceLost() {
  for (const auto& s : m_Slides) s->OnDeviceLost();
}

void DS_SlideShow_Light::OnDeviceReset() {
  if (m_CurrentSlide && m_CurrentSlide->Layer()) m_CurrentSlide->Layer()->OnDeviceReset();
}

float DS_SlideShow_Light::GetAspectRatio() const {
  DS_2D_Light* layer = m_CurrentSlide ? m_CurrentSlide->Layer() : nullptr;
  // Before the first update, or with a picture of no height, the ratio is unknown: 1.
  if (!layer || layer->GetHeight() == 0) return 1.0f;
  return float(layer->GetWidth()) / float(layer->GetHeight());
}

void DS_SlideShow_Light::DrawIconLayer(DS_ScreenQuad* quad) {
  DS_2D_Light* layer = m_CurrentSlide ? m_CurrentSlide->Layer() : nullptr;
  // The desktop icons stay visible when the show has no slide to draw them through.
  if (layer)
    layer->DrawScreenQuad(quad);
  else
    DS_2D_Light::DrawScreenQuadOnDevice(quad);
}

void DS_SlideShow_Light::SetPicturePosition(int mode) {
  // Every layer lays the one stage view out for its own picture and render size, so the
  // current slide goes last: the stage and the screen layout must stay the ones it draws
  // with (a slide never shown yet has a render size of 1 x 1).
  DS_SlideContainer* current = m_CurrentSlide.get();
  for (const auto& s : m_Slides)
    if (s.get() != current) s->SetViewMode(mode);
  if (current) current->SetViewMode(mode);
}
