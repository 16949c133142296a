// The parts of the scene bases that ask the stage where the picture is.
#include "core/params/CompositeParams.h"
#include "core/render/StageView.h"
#include "core/scene/DS_ABObj.h"

bool DS_ABObj_Constructor::CollectBounds(DS_BoundsList& bounds) {
  // The whole picture; nothing is known before the stage view exists.
  const float width = g_StageView ? g_StageView->pictureWidth : 0.0f;
  const float height = g_StageView ? g_StageView->pictureHeight : 0.0f;
  bounds.push_back(DS_BoundsRect{0.0f, 0.0f, width, height});
  return true;
}

bool MediaRectangle::ContainsScreenPoint(float x, float y) const {
  D3DXVECTOR3 stage;
  DS_ScreenLayout::ToStageCoordinates(stage, g_ScreenLayout, x * g_ScreenLayout.scaleX, y * g_ScreenLayout.scaleY, 0.0f);
  return ContainsStagePoint(stage.x, stage.y);
}
