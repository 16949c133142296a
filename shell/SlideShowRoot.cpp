// The slide show as the host's scene root.
#include "shell/SceneRoot.h"

#include "layers/DS_SlideShow_Light.h"
#include "layers/DocumentLoader.h"

namespace {

class SlideShowRoot : public SceneRoot {
 public:
  explicit SlideShowRoot(DS_SlideShow_Light* root) : root_(root) {}
  ~SlideShowRoot() override { delete root_; }

  void OnDeviceLost() override { root_->OnDeviceLost(); }
  void OnDeviceReset() override { root_->OnDeviceReset(); }
  void UpdateFrame(float t) override { root_->UpdateFrame(t); }
  void Render(bool perMonitor) override { root_->Render(perMonitor); }
  float GetAspectRatio() const override { return root_->GetAspectRatio(); }
  void SetPicturePosition(int mode) override { root_->SetPicturePosition(mode); }
  void DrawIconLayer(DS_ScreenQuad* quad) override { root_->DrawIconLayer(quad); }
  void BuildRuntimeObjects() override {
    for (const auto& slide : root_->Slides())
      if (slide.get()) slide.get()->BuildRuntimeObjects();
  }
  std::vector<NamedBuffer*> MusicFiles() override {
    std::vector<NamedBuffer*> files;
    for (const auto& file : root_->AudioFiles())
      if (file.get()) files.push_back(&file.get()->data);
    return files;
  }

 private:
  DS_SlideShow_Light* root_;
};

}  // namespace

std::unique_ptr<SceneRoot> LoadEmbeddedScene() {
  DS_SlideShow_Light* root = LoadEmbeddedDocument();
  if (!root) throw kDocumentFormatError;
  return std::unique_ptr<SceneRoot>(new SlideShowRoot(root));
}
