#pragma once
// The order in which a scene gives its device objects up before IDirect3DDevice9::Reset and
// takes them back after it. The Direct3D host and the loss/reset test fixture both call
// these, so what the tests prove is the order the player runs. Works on any root with
// OnDeviceLost and OnDeviceReset (the host's scene root interface, or the slide show).

#include "core/document/DocResManager.h"

// The scene first: its layers drop their render-target pairs and the references their
// background slots hold. Then the document's store: effects and fonts are told, and its
// render-target pairs drop their DEFAULT-pool textures.
template <class Root>
void ReleaseSceneDeviceObjects(Root* root) {
  if (root) root->OnDeviceLost();
  if (g_DocResManager) g_DocResManager->OnDeviceLost();
}

// After a successful Reset: the scene's current layer asks the store to restore its
// objects, then makes its own targets again. Slides not shown are restored as they become
// current.
template <class Root>
void RestoreSceneDeviceObjects(Root* root) {
  if (root) root->OnDeviceReset();
}
