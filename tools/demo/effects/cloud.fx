// Clouds over a region of the picture, seen in perspective. The cloud picture "Background"
// (tiled) is laid on a plane: with v' = v * tex_shift.y + tex_shift.w (tex_shift.w flips
// the region top to bottom),
//   x = (u - 0.5) * tex_shift.x / (1 - PX_Transform * v') + 0.5
//   y = v' / (PY_TransformH - PY_TransformZ * v') + tex_shift.z
// so the plane narrows and its rows crowd toward the far edge (v' = 1) as it recedes; at
// PX_Transform 0, PY_TransformH 1, PY_TransformZ 0 and tex_shift (1, 1, 0, 0) it is the
// region itself. The plane, measured in picture units (the region's size,
// mask_tex_shift.x and .z), is zoomed by "Scale" and drifts by "Velocity".
// The cloud's value c (red times alpha) is thresholded: cover = saturate(1 - (1 - c) *
// Threshold), so Threshold 1 keeps the picture as it is and larger values keep only its
// densest parts. The colour runs from ColorK1 (thin) to ColorK2 (dense); the opacity is
// saturate(cover * Density), held back by "Mask" (read at the picture coordinate), and the
// cloud is blended over what the target holds.
// "Main" draws over the region's grid, whose t0 runs 0 to 1 across the region
// (mask_tex_shift maps it onto the picture); "MainFX" draws over the whole picture quad,
// whose t0 is the picture coordinate, and leaves everything outside the region alone.
float2 Scale = {4.0, 2.5};
float Threshold = 1.0;
float Density = 0.0;
float3 ColorK1 = {0.0, 0.0, 0.0};
float3 ColorK2 = {0.0, 0.0, 0.0};
float2 Velocity = {0.0, 0.0};
float4 mask_tex_shift = {1.0, 0.0, 1.0, 0.0};
float PX_Transform = 0.0;
float PY_TransformH = 1.0;
float PY_TransformZ = 0.0;
float4 tex_shift = {1.0, 1.0, 0.0, 0.0};
texture Mask;
texture Background;

sampler CloudSampler = sampler_state {
  Texture = <Background>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Wrap; AddressV = Wrap;
};

sampler MaskSampler = sampler_state {
  Texture = <Mask>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Clamp; AddressV = Clamp;
};

technique Main {
  pass P0 {
    Lighting = false;
    CullMode = None;
    ZEnable = false;
    AlphaBlendEnable = true;
    SrcBlend = SrcAlpha;
    DestBlend = InvSrcAlpha;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (CloudSampler);
    Sampler[1] = (MaskSampler);
    PixelShaderConstantF[0] = <Scale>;
    PixelShaderConstantF[1] = <Threshold>;
    PixelShaderConstantF[2] = <Density>;
    PixelShaderConstantF[3] = <ColorK1>;
    PixelShaderConstantF[4] = <ColorK2>;
    PixelShaderConstantF[5] = <Velocity>;
    PixelShaderConstantF[6] = <mask_tex_shift>;
    PixelShaderConstantF[7] = <PX_Transform>;
    PixelShaderConstantF[8] = <PY_TransformH>;
    PixelShaderConstantF[9] = <PY_TransformZ>;
    PixelShaderConstantF[10] = <tex_shift>;
    PixelShader = asm {
      ps_2_0
      def c20, 0.5, 1.0, 0.01, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      // the mask at the picture coordinate of the region point
      mad r0.x, t0.x, c6.x, c6.y
      mad r0.y, t0.y, c6.z, c6.w
      // v', then the plane's narrowing 1 / (1 - PX v') (kept finite at the far edge)
      mad r1.y, t0.y, c10.y, c10.w
      mad r1.z, -c7.x, r1.y, c20.y
      max r1.z, r1.z, c20.z
      rcp r1.z, r1.z
      mad r1.w, -c9.x, r1.y, c8.x
      max r1.w, r1.w, c20.z
      rcp r1.w, r1.w
      add r2.x, t0.x, -c20.x
      mul r2.x, r2.x, c10.x
      mad r2.x, r2.x, r1.z, c20.x
      mad r2.y, r1.y, r1.w, c10.z
      // the plane in picture units, zoomed, drifted
      mul r2.x, r2.x, c6.x
      mul r2.y, r2.y, c6.z
      mul r2.x, r2.x, c0.x
      mul r2.y, r2.y, c0.y
      add r2.xy, r2, c5
      texld r3, r2, s0
      texld r4, r0, s1
      // cover, tint, opacity
      mul r5.x, r3.x, r3.w
      add r5.y, c20.y, -r5.x
      mad_sat r5.z, -r5.y, c1.x, c20.y
      lrp r6.xyz, r5.z, c4, c3
      mul_sat r6.w, r5.z, c2.x
      add r7.x, c20.y, -r4.x
      mul r6.w, r6.w, r7.x
      mov oC0, r6
    };
  }
}

technique MainFX {
  pass P0 {
    Lighting = false;
    CullMode = None;
    ZEnable = false;
    AlphaBlendEnable = true;
    SrcBlend = SrcAlpha;
    DestBlend = InvSrcAlpha;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (CloudSampler);
    Sampler[1] = (MaskSampler);
    PixelShaderConstantF[0] = <Scale>;
    PixelShaderConstantF[1] = <Threshold>;
    PixelShaderConstantF[2] = <Density>;
    PixelShaderConstantF[3] = <ColorK1>;
    PixelShaderConstantF[4] = <ColorK2>;
    PixelShaderConstantF[5] = <Velocity>;
    PixelShaderConstantF[6] = <mask_tex_shift>;
    PixelShaderConstantF[7] = <PX_Transform>;
    PixelShaderConstantF[8] = <PY_TransformH>;
    PixelShaderConstantF[9] = <PY_TransformZ>;
    PixelShaderConstantF[10] = <tex_shift>;
    PixelShader = asm {
      ps_2_0
      def c20, 0.5, 1.0, 0.01, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      // the region coordinate of the picture point, and whether it lies in the region
      rcp r0.x, c6.x
      rcp r0.y, c6.z
      add r8.x, t0.x, -c6.y
      add r8.y, t0.y, -c6.w
      mul r8.x, r8.x, r0.x
      mul r8.y, r8.y, r0.y
      cmp r9.x, r8.x, c20.y, c20.w
      cmp r9.y, r8.y, c20.y, c20.w
      add r10.x, c20.y, -r8.x
      add r10.y, c20.y, -r8.y
      cmp r9.x, r10.x, r9.x, c20.w
      cmp r9.y, r10.y, r9.y, c20.w
      mul r9.x, r9.x, r9.y
      // v', then the plane's narrowing 1 / (1 - PX v') (kept finite at the far edge)
      mad r1.y, r8.y, c10.y, c10.w
      mad r1.z, -c7.x, r1.y, c20.y
      max r1.z, r1.z, c20.z
      rcp r1.z, r1.z
      mad r1.w, -c9.x, r1.y, c8.x
      max r1.w, r1.w, c20.z
      rcp r1.w, r1.w
      add r2.x, r8.x, -c20.x
      mul r2.x, r2.x, c10.x
      mad r2.x, r2.x, r1.z, c20.x
      mad r2.y, r1.y, r1.w, c10.z
      // the plane in picture units, zoomed, drifted
      mul r2.x, r2.x, c6.x
      mul r2.y, r2.y, c6.z
      mul r2.x, r2.x, c0.x
      mul r2.y, r2.y, c0.y
      add r2.xy, r2, c5
      texld r3, r2, s0
      texld r4, t0, s1
      // cover, tint, opacity (none outside the region)
      mul r5.x, r3.x, r3.w
      add r5.y, c20.y, -r5.x
      mad_sat r5.z, -r5.y, c1.x, c20.y
      lrp r6.xyz, r5.z, c4, c3
      mul_sat r6.w, r5.z, c2.x
      add r7.x, c20.y, -r4.x
      mul r6.w, r6.w, r7.x
      mul r6.w, r6.w, r9.x
      mov oC0, r6
    };
  }
}
