// The scene swayed along a direction: every point reads the picture "Direction" away.
float2 Scale = {1.3333333, 1.0};
float2 Direction = {0.0, 0.0};
texture Mask;
texture Background;

sampler BackgroundSampler = sampler_state {
  Texture = <Background>;
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
    PixelShaderConstantF[0] = <Direction>;
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl_2d s0
      add r0.xy, t0, c0
      texld r1, r0, s0
      mov oC0, r1
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
    PixelShaderConstantF[0] = <Direction>;
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl_2d s0
      add r0.xy, t0, c0
      texld r1, r0, s0
      mov oC0, r1
    };
  }
}
