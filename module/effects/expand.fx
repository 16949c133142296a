// The picture pulsing about "center": amplitude.x zooms in (the picture swells outward),
// amplitude.y zooms out. The pulse acts fully within 0.75 and fades out by 1 of the centre,
// the distance measured in the effect's own units ((t0 - center) * Scale: picture heights
// over the scale), so a larger scale widens the swelling lens. "Mask" holds the pulse back
// where it is white.
float2 Scale = {1.3333333, 1.0};
float2 amplitude = {0.0, 0.0};
float2 center = {0.5, 0.5};
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
    PixelShaderConstantF[1] = <amplitude>;
    PixelShaderConstantF[2] = <center>;
    PixelShader = asm {
      ps_2_0
      def c10, 1.0, 4.0, 0.0, 0.000001
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      sub r0.xy, t0, c2
      // distance from the centre in the effect's own units
      mul r1.xy, r0, c0
      dp2add r1.x, r1, r1, c10.w
      rsq r1.y, r1.x
      mul r1.x, r1.x, r1.y
      // weight: 1 within 0.75, falling to 0 at 1
      add r2.x, c10.x, -r1.x
      mul_sat r2.x, r2.x, c10.y
      sub r2.y, c1.x, c1.y
      mul r2.x, r2.x, r2.y
      // read nearer the centre to swell, farther to shrink
      mad r3.xy, r0, -r2.x, t0
      texld r4, r3, s0
      texld r5, t0, s0
      texld r6, t0, s1
      lrp r7, r6.x, r5, r4
      mov oC0, r7
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
    PixelShaderConstantF[1] = <amplitude>;
    PixelShaderConstantF[2] = <center>;
    PixelShader = asm {
      ps_2_0
      def c10, 1.0, 4.0, 0.0, 0.000001
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      sub r0.xy, t0, c2
      // distance from the centre in the effect's own units
      mul r1.xy, r0, c0
      dp2add r1.x, r1, r1, c10.w
      rsq r1.y, r1.x
      mul r1.x, r1.x, r1.y
      // weight: 1 within 0.75, falling to 0 at 1
      add r2.x, c10.x, -r1.x
      mul_sat r2.x, r2.x, c10.y
      sub r2.y, c1.x, c1.y
      mul r2.x, r2.x, r2.y
      // read nearer the centre to swell, farther to shrink
      mad r3.xy, r0, -r2.x, t0
      texld r4, r3, s0
      texld r5, t0, s0
      texld r6, t0, s1
      lrp r7, r6.x, r5, r4
      mov oC0, r7
    };
  }
}
