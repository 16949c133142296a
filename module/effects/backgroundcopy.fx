// The scene behind the object drawn again, shifted by "offset" (picture fractions; the
// picture repeats, so a whole picture's shift wraps around) and zoomed about the picture's
// centre by the scale s ("Scale".y = 1 / s: the copy is s times as large). Where "Mask" is
// white the scene shows unshifted.
float2 Scale = {1.3333333, 1.0};
float2 offset = {0.0, 0.0};
texture Mask;
texture Background;

sampler BackgroundSampler = sampler_state {
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
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (BackgroundSampler);
    Sampler[1] = (MaskSampler);
    PixelShaderConstantF[0] = <Scale>;
    PixelShaderConstantF[1] = <offset>;
    PixelShader = asm {
      ps_2_0
      def c10, 0.5, 0.0, 0.0, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      // (t0 - offset - 0.5) / s + 0.5
      add r0.xy, t0, -c1
      add r0.xy, r0, -c10.x
      mad r0.xy, r0, c0.y, c10.x
      texld r1, r0, s0
      texld r2, t0, s0
      texld r3, t0, s1
      lrp r4, r3.x, r2, r1
      mov oC0, r4
    };
  }
}

technique MainFX {
  pass P0 {
    Lighting = false;
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (BackgroundSampler);
    Sampler[1] = (MaskSampler);
    PixelShaderConstantF[0] = <Scale>;
    PixelShaderConstantF[1] = <offset>;
    PixelShader = asm {
      ps_2_0
      def c10, 0.5, 0.0, 0.0, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      add r0.xy, t0, -c1
      add r0.xy, r0, -c10.x
      mad r0.xy, r0, c0.y, c10.x
      texld r1, r0, s0
      texld r2, t0, s0
      texld r3, t0, s1
      lrp r4, r3.x, r2, r1
      mov oC0, r4
    };
  }
}
