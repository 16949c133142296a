// The scene swayed along a direction: every point reads the picture "Direction" away,
// the displacement measured in the effect's own coordinates (t0 * Scale): picture heights
// over the scale, so a sway covers as many pixels whatever its direction and grows with
// the scale. "Mask" holds the sway back where it is white.
float2 Scale = {1.0, 1.0};
float2 Direction = {0.0, 0.0};
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
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (BackgroundSampler);
    Sampler[1] = (MaskSampler);
    PixelShaderConstantF[0] = <Direction>;
    PixelShaderConstantF[1] = <Scale>;
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      // (t0 * Scale + Direction) / Scale: the picture point the sway brings here
      rcp r0.x, c1.x
      rcp r0.y, c1.y
      mul r0.xy, c0, r0
      add r0.xy, t0, r0
      texld r1, r0, s0
      // the mask lays the picture at rest back over the sway
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
    PixelShaderConstantF[0] = <Direction>;
    PixelShaderConstantF[1] = <Scale>;
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      // (t0 * Scale + Direction) / Scale: the picture point the sway brings here
      rcp r0.x, c1.x
      rcp r0.y, c1.y
      mul r0.xy, c0, r0
      add r0.xy, t0, r0
      texld r1, r0, s0
      // the mask lays the picture at rest back over the sway
      texld r2, t0, s0
      texld r3, t0, s1
      lrp r4, r3.x, r2, r1
      mov oC0, r4
    };
  }
}
