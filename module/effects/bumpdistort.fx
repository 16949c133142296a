// Hot-air shimmer over the whole scene: a scrolling bump map pushes each point by up to
// 2 * stenght in each direction.
texture SceneTex;
texture Bumpmap;
float stenght = 0.0025;
float2 Offset = {0.0, 0.0};
float2 bump_scale = {0.208, 0.156};

sampler SceneSampler = sampler_state {
  Texture = <SceneTex>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Clamp; AddressV = Clamp;
};
sampler BumpSampler = sampler_state {
  Texture = <Bumpmap>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Wrap; AddressV = Wrap;
};

technique BumpmapDistortLow2 {
  pass P0 {
    Lighting = false;
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (SceneSampler);
    Sampler[1] = (BumpSampler);
    PixelShaderConstantF[0] = <Offset>;
    PixelShaderConstantF[1] = <bump_scale>;
    PixelShaderConstantF[2] = <stenght>;
    PixelShader = asm {
      ps_2_0
      def c10, -0.5, 2.0, 0.0, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      mul r0.xy, t0, c1
      add r0.xy, r0, c0
      texld r1, r0, s1
      add r1.xy, r1, c10.x
      mul r1.xy, r1, c2.x
      mad r2.xy, r1, c10.y, t0
      texld r3, r2, s0
      mov oC0, r3
    };
  }
}
