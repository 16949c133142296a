#include "core/render/Frame.h"

DS_Frame::DS_Frame()
{
  D3DXMatrixIdentity(&world);
  D3DXMatrixIdentity(&local);
}

DS_Frame::DS_Frame(const DS_Frame& other)
    : boundingRadius(other.boundingRadius),
      boundingCentre(other.boundingCentre),
      world(other.world),
      local(other.local),
      winding(other.winding)
{
}

DS_Frame& DS_Frame::operator=(const DS_Frame& other)
{
  if (this == &other) return *this;
  boundingRadius = other.boundingRadius;
  boundingCentre = other.boundingCentre;
  world = other.world;
  local = other.local;
  winding = other.winding;
  return *this;
}

DS_Frame::~DS_Frame()
{
  delete animator;
  children.clear();
}

void DS_Frame::SetAnimator(DS_AnimationBase* a)
{
  if (a == animator) return;
  delete animator;
  animator = a;
}

void DS_Frame::UpdateTransform(const D3DXMATRIX* parent)
{
  if (animator)
    animator->Animate(this);
  else
    world = local;
  if (parent) D3DXMatrixMultiply(&world, &world, parent);
  for (DS_Frame* child : children)
    if (child) child->UpdateTransform(&world);
}
