#pragma once
// The sound objects of a scene: a description (DS_Sound_Ctrl, with its two kinds
// DS_WAV_Constructor and DS_MP3_Constructor) creates a runtime object (DS_Sound) that
// follows the description's time line. A WAV sound plays from a DirectSound secondary
// buffer filled from the document's bytes; an MP3 sound plays through a filter graph of
// its own from a temporary file. The slide enables its sounds only while it is current.

#include "core/archive/DS_IOF.h"
#include "core/document/FileLink.h"
#include "core/scene/DS_ABObj.h"
#include "sound/MediaGraph.h"
#include "sound/SoundDevice.h"
#include "sound/TempFiles.h"

#include <memory>
#include <string>

class DS_Sound_Ctrl : public DS_ABObj_Constructor {
public:
  static constexpr unsigned kVersion = 3;

  DS_Sound_Ctrl();
  // Copies both parameters and the base part.
  DS_Sound_Ctrl(const DS_Sound_Ctrl& other);

  // {g_SoundPreviewImage, 0, 0, 1.0}.
  DS_PreviewImage GetPreviewImage() override;
  // A DS_Sound owning a clone of this description.
  DS_ABObj* CreateRuntimeObject() override;

  // Loads the buffer or the graph; false leaves the sound silent.
  virtual bool LoadResources() = 0;
  virtual void Stop() = 0;
  // Starts or stops the sound as the time line's state asks.
  virtual void UpdateFrame(float time) = 0;
  virtual DS_Sound_Ctrl* Clone() const = 0;

  // The "DS_Sound_Ctrl" record: class name, version, then its fields at that version.
  void ReadSoundPart(DS_IOF_Virtual& archive);
  void ReadSoundFields(DS_IOF_Virtual& archive, unsigned version);
  void WriteSoundPart(DS_IOF_Virtual& archive);

  MediaParamT<unsigned> m_Volume;   // 0..100
  MediaParamT<unsigned> m_Balance;  // 0..100, 50 centre

protected:
  // Shown time := the sound's length in hundredths (both ends of the range), fades 0.
  void SetShownLength(unsigned hundredths);
};

class DS_WAV_Constructor : public DS_Sound_Ctrl {
public:
  static constexpr unsigned kVersion = 1;

  DS_WAV_Constructor();
  // Copies the link and shares the buffer.
  DS_WAV_Constructor(const DS_WAV_Constructor& other);
  ~DS_WAV_Constructor() override;

  void Write(DS_IOF_Virtual& archive) override;
  // Version ignored: the file link, then the "DS_Sound_Ctrl" record.
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);

  using DS_Sound_Ctrl::GetPreviewImage;
  // With play, loads the buffer when needed and plays it once from the start.
  DS_PreviewImage GetPreviewImage(bool play);
  bool LoadResources() override;
  void Stop() override;
  void UpdateFrame(float time) override;
  DS_Sound_Ctrl* Clone() const override { return new DS_WAV_Constructor(*this); }

  // Reads the document's bytes, sets the time line to the sound's length and fills a
  // new buffer. False, leaving no buffer, on any failure.
  bool LoadBuffer();
  // From the start; looping or once.
  void Play(bool loop);

  SoundBuffer* Buffer() const { return m_Buffer.get(); }

  DS_FileLink3 m_Link;
  int m_Extra = 0;  // copied with the object; nothing reads it

private:
  std::shared_ptr<SoundBuffer> m_Buffer;
};

// An MP3 sound's graph and the temporary file it plays, shared by the copies of one
// sound. The graph lets go of the file before the file is deleted.
struct Mp3Playback {
  std::unique_ptr<MediaGraph> graph;
  std::unique_ptr<OwnedTempFile> file;
  ~Mp3Playback() {
    graph.reset();
    file.reset();
  }
};

// The graph each MP3 sound creates (tests hand in recording doubles).
using SoundGraphFactory = std::unique_ptr<MediaGraph> (*)();
SoundGraphFactory SetSoundGraphFactory(SoundGraphFactory factory);
// The folder of the MP3 sounds' temporary files (the temp folder when empty; tests).
void SetSoundTempFolder(const std::wstring& folder);

class DS_MP3_Constructor : public DS_Sound_Ctrl {
public:
  static constexpr unsigned kVersion = 1;

  DS_MP3_Constructor() = default;
  // Copies the bytes and shares the graph and its temporary file.
  DS_MP3_Constructor(const DS_MP3_Constructor& other);
  ~DS_MP3_Constructor() override;

  void Write(DS_IOF_Virtual& archive) override;
  // Version ignored: the bytes, then the "DS_Sound_Ctrl" record.
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);

  bool LoadResources() override;
  void Stop() override;
  void UpdateFrame(float time) override;
  DS_Sound_Ctrl* Clone() const override { return new DS_MP3_Constructor(*this); }

  bool Restart();
  void ApplyVolume();
  void ApplyBalance();

  MediaGraph* Graph() const { return m_Playback ? m_Playback->graph.get() : nullptr; }
  // The temporary file's path (empty before loading or when it failed).
  std::wstring TempPath() const;

  // The path the sound came from as the name, the MP3 file's bytes.
  NamedBuffer m_Bytes;

private:
  std::shared_ptr<Mp3Playback> m_Playback;
};

// The runtime object of a sound. Owns the clone it was made with.
class DS_Sound : public DS_ABObj {
public:
  // Stores the clone, enables itself and loads the clone's buffer or graph.
  explicit DS_Sound(DS_Sound_Ctrl* clone);

  void Render(DS_ABRender& context) override {}
  void OnRuntimeEvent(int a, int b) override {}
  void OnScreenSizeChanged() override {}
  // Disabling stops the sound.
  void SetVisible(bool visible) override;
  int GetObjectKind() override { return 1; }
  void UpdateFrame(float objectTime) override;

  DS_Sound_Ctrl* Sound() const { return m_Sound; }
  bool IsEnabled() const { return m_Enabled; }

private:
  DS_Sound_Ctrl* m_Sound;  // the same clone as the description
  bool m_Enabled = true;
};

// The preview picture of every sound: "velmora.dll" picture 2016, made on first use.
DS_ImageFileLink* SoundPreviewImage();
