#pragma once
// Transform nodes: the skeleton of every mesh, quad, sprite batch and 3D instance.
#include <d3dx9math.h>
#include <list>

struct DS_Frame;

// A controller that computes a frame's world matrix from its local one every update.
// The frame that holds it owns it and deletes it.
class DS_AnimationBase {
public:
  DS_AnimationBase() = default;
  DS_AnimationBase(const DS_AnimationBase&) = default;
  DS_AnimationBase& operator=(const DS_AnimationBase&) = default;
  virtual ~DS_AnimationBase() = default;
  virtual void Animate(DS_Frame* frame) = 0;
  virtual void SetParameter(float value) { m_Value = value; }

protected:
  float m_Value = 0.0f;
};

struct DS_Frame {
  float boundingRadius = 0.0f;
  D3DXVECTOR3 boundingCentre{0.0f, 0.0f, 0.0f};
  D3DXMATRIX world;
  D3DXMATRIX local;
  DS_AnimationBase* animator = nullptr;  // owned
  BYTE winding = 1;                       // 1 normal winding, 0 mirrored
  std::list<DS_Frame*> children;          // not owned

  DS_Frame();
  // A copy takes the matrices, the bounding sphere and the winding; the controller is
  // owned by one frame only and children belong to their own owners, so the copy starts
  // without either.
  DS_Frame(const DS_Frame& other);
  DS_Frame& operator=(const DS_Frame& other);
  virtual ~DS_Frame();

  // Replaces the owned controller (the old one is deleted).
  void SetAnimator(DS_AnimationBase* a);

  // world := animator's result (or local), times the parent's matrix when given; then
  // every child, in list order, with this frame's world matrix as its parent.
  void UpdateTransform(const D3DXMATRIX* parent);
};
