// A pattern tiled over the picture: "coord_transf" (the 2 x 2 matrix a, b, c, d as
// u' = u a + v c, v' = u b + v d) repeats, turns and mirrors it, "offset" shifts it, and
// "mix_color" tints it and fades it over the background.
float2 Scale = {1.3333333, 1.0};
float4 mix_color = {1.0, 1.0, 1.0, 1.0};
float2 scale = {1.0, 1.0};
float2 offset = {0.0, 0.0};
float4 coord_transf = {1.0, 0.0, 0.0, 1.0};
texture Pattern;
texture Mask;
texture Background;

sampler BackgroundSampler = sampler_state {
  Texture = <Background>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Clamp; AddressV = Clamp;
};
sampler PatternSampler = sampler_state {
  Texture = <Pattern>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Wrap; AddressV = Wrap;
};

technique Main {
  pass P0 {
    Lighting = false;
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (BackgroundSampler);
    Sampler[1] = (PatternSampler);
    PixelShaderConstantF[0] = <mix_color>;
    PixelShaderConstantF[1] = <offset>;
    PixelShaderConstantF[2] = <coord_transf>;
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      mov r1.x, c2.x
      mov r1.y, c2.z
      mov r2.x, c2.y
      mov r2.y, c2.w
      dp2add r0.x, t0, r1, c1.x
      dp2add r0.y, t0, r2, c1.y
      texld r3, r0, s1
      mul r3, r3, c0
      texld r4, t0, s0
      lrp r5.rgb, r3.a, r3, r4
      mov r5.a, r4.a
      mov oC0, r5
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
    Sampler[1] = (PatternSampler);
    PixelShaderConstantF[0] = <mix_color>;
    PixelShaderConstantF[1] = <offset>;
    PixelShaderConstantF[2] = <coord_transf>;
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      mov r1.x, c2.x
      mov r1.y, c2.z
      mov r2.x, c2.y
      mov r2.y, c2.w
      dp2add r0.x, t0, r1, c1.x
      dp2add r0.y, t0, r2, c1.y
      texld r3, r0, s1
      mul r3, r3, c0
      texld r4, t0, s0
      lrp r5.rgb, r3.a, r3, r4
      mov r5.a, r4.a
      mov oC0, r5
    };
  }
}
