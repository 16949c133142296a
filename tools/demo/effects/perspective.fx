// The picture swung about a line as if it tilted in depth. At the picture coordinate p
// (t0, in both techniques):
//   d = Ln . (p, 1)          the distance across the line (Ln is normalised);
//   l = Lt.xy . (p - Center) the distance along it, from the centre, in Lt's own measure.
// A point of the untilted picture at (d0, l0) shows at d = d0 (1 + amplitude) / w and
// l = l0 / w, with w = 1 + k d0: "amplitude" (0 down to 1 / depth - 1) shortens the picture
// across the line as it turns away, and k = p_amplitude x pi / 180 x Scale.y makes the
// side that recedes smaller than the side that comes near (p_amplitude reads as degrees of
// perspective; "Scale" zooms the effect's measure of distance, so a larger scale gives a
// flatter view). Each point therefore reads the picture at
//   d0 = d / (1 + amplitude - k d),   l0 = l (1 + k d0),
// stepping along "t" (which changes d only) and along "n" (which changes l only). The
// picture is clamped at its edges. "Mask" holds the effect back where white: there the
// picture shows at p. "Main" draws over the region's grid, "MainFX" over the whole picture
// quad; both are opaque.
float4 Scale = {1.3333333, 1.0, 0.75, 1.0};
float2 Center = {0.5, 0.5};
float3 Ln = {0.0, 1.0, -0.5};
float3 Lt = {1.0, 0.0, -0.5};
float2 t = {0.0, -1.0};
float2 n = {1.0, 0.0};
float amplitude = 0.0;
float p_amplitude = 0.0;
texture Mask;
texture Background;

sampler BackgroundSampler = sampler_state {
  Texture = <Background>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Clamp; AddressV = Clamp;
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
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (BackgroundSampler);
    Sampler[1] = (MaskSampler);
    PixelShaderConstantF[0] = <Scale>;
    PixelShaderConstantF[1] = <Center>;
    PixelShaderConstantF[2] = <Ln>;
    PixelShaderConstantF[3] = <Lt>;
    PixelShaderConstantF[4] = <t>;
    PixelShaderConstantF[5] = <n>;
    PixelShaderConstantF[6] = <amplitude>;
    PixelShaderConstantF[7] = <p_amplitude>;
    PixelShader = asm {
      ps_2_0
      def c20, 0.017453293, 1.0, 0.01, 0.000001
      def c21, -0.01, 0.0, 0.0, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      // d across the line, l along it
      mad r0.x, c2.x, t0.x, c2.z
      mad r0.x, c2.y, t0.y, r0.x
      add r1.xy, t0, -c1
      mul r0.y, c3.x, r1.x
      mad r0.y, c3.y, r1.y, r0.y
      // k, then d0 = d / (1 + amplitude - k d), the far side kept in front of the eye
      mul r2.x, c7.x, c0.y
      mul r2.x, r2.x, c20.x
      mad r2.y, -r2.x, r0.x, c6.x
      add r2.y, r2.y, c20.y
      max r2.y, r2.y, c20.z
      rcp r2.y, r2.y
      mul r3.x, r0.x, r2.y
      // l0 - l = l k d0, and d0 - d
      mul r3.z, r2.x, r3.x
      mul r3.z, r3.z, r0.y
      add r3.w, r3.x, -r0.x
      // the steps along t and along n that make those changes
      mul r4.x, c4.x, c2.x
      mad r4.x, c4.y, c2.y, r4.x
      min r4.x, r4.x, c21.x
      rcp r4.x, r4.x
      mul r4.x, r4.x, r3.w
      mul r4.y, c5.x, c3.x
      mad r4.y, c5.y, c3.y, r4.y
      max r4.y, r4.y, c20.w
      rcp r4.y, r4.y
      mul r4.y, r4.y, r3.z
      mad r5.xy, c4, r4.x, t0
      mad r5.xy, c5, r4.y, r5
      texld r6, r5, s0
      texld r7, t0, s0
      texld r8, t0, s1
      lrp r9, r8.x, r7, r6
      mov oC0, r9
    };
  }
}

technique MainFX {
  pass P0 {
    Lighting = false;
    CullMode = None;
    ZEnable = false;
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (BackgroundSampler);
    Sampler[1] = (MaskSampler);
    PixelShaderConstantF[0] = <Scale>;
    PixelShaderConstantF[1] = <Center>;
    PixelShaderConstantF[2] = <Ln>;
    PixelShaderConstantF[3] = <Lt>;
    PixelShaderConstantF[4] = <t>;
    PixelShaderConstantF[5] = <n>;
    PixelShaderConstantF[6] = <amplitude>;
    PixelShaderConstantF[7] = <p_amplitude>;
    PixelShader = asm {
      ps_2_0
      def c20, 0.017453293, 1.0, 0.01, 0.000001
      def c21, -0.01, 0.0, 0.0, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      // d across the line, l along it
      mad r0.x, c2.x, t0.x, c2.z
      mad r0.x, c2.y, t0.y, r0.x
      add r1.xy, t0, -c1
      mul r0.y, c3.x, r1.x
      mad r0.y, c3.y, r1.y, r0.y
      // k, then d0 = d / (1 + amplitude - k d), the far side kept in front of the eye
      mul r2.x, c7.x, c0.y
      mul r2.x, r2.x, c20.x
      mad r2.y, -r2.x, r0.x, c6.x
      add r2.y, r2.y, c20.y
      max r2.y, r2.y, c20.z
      rcp r2.y, r2.y
      mul r3.x, r0.x, r2.y
      // l0 - l = l k d0, and d0 - d
      mul r3.z, r2.x, r3.x
      mul r3.z, r3.z, r0.y
      add r3.w, r3.x, -r0.x
      // the steps along t and along n that make those changes
      mul r4.x, c4.x, c2.x
      mad r4.x, c4.y, c2.y, r4.x
      min r4.x, r4.x, c21.x
      rcp r4.x, r4.x
      mul r4.x, r4.x, r3.w
      mul r4.y, c5.x, c3.x
      mad r4.y, c5.y, c3.y, r4.y
      max r4.y, r4.y, c20.w
      rcp r4.y, r4.y
      mul r4.y, r4.y, r3.z
      mad r5.xy, c4, r4.x, t0
      mad r5.xy, c5, r4.y, r5
      texld r6, r5, s0
      texld r7, t0, s0
      texld r8, t0, s1
      lrp r9, r8.x, r7, r6
      mov oC0, r9
    };
  }
}
