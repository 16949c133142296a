// A pattern tiled over the picture. With (u, v) the picture coordinate zoomed by the scale
// s ((u, v) x "Scale".y, so a larger s gives larger tiles), the pattern coordinate is
//   (u M11 + v M21 / r, u M12 r + v M22) + offset,
// M = "coord_transf" (M11, M12, M21, M22): how often the pattern repeats across and down,
// turned and mirrored; r = "scale".x / "scale".y, the pattern's width over its height,
// turns a non-square pattern about the picture's pixels rather than its own tiles, so it
// keeps its shape at any angle. The pattern, tinted by "mix_color", lies over the
// background by its alpha times the mix colour's alpha; "Mask" holds it back where white.
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
    Sampler[1] = (PatternSampler);
    Sampler[2] = (MaskSampler);
    PixelShaderConstantF[0] = <mix_color>;
    PixelShaderConstantF[1] = <offset>;
    PixelShaderConstantF[2] = <coord_transf>;
    PixelShaderConstantF[3] = <scale>;
    PixelShaderConstantF[4] = <Scale>;
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      dcl_2d s2
      mul r0.xy, t0, c4.y
      // r6 = (sy / sx, sx / sy)
      rcp r6.x, c3.x
      mul r6.x, r6.x, c3.y
      rcp r6.y, c3.y
      mul r6.y, r6.y, c3.x
      mov r1.x, c2.x
      mul r1.y, c2.z, r6.x
      mul r2.x, c2.y, r6.y
      mov r2.y, c2.w
      dp2add r3.x, r0, r1, c1.x
      dp2add r3.y, r0, r2, c1.y
      texld r4, r3, s1
      mul r4, r4, c0
      texld r5, t0, s0
      texld r7, t0, s2
      lrp r8.rgb, r4.a, r4, r5
      mov r8.a, r5.a
      lrp r9, r7.x, r5, r8
      mov oC0, r9
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
    Sampler[2] = (MaskSampler);
    PixelShaderConstantF[0] = <mix_color>;
    PixelShaderConstantF[1] = <offset>;
    PixelShaderConstantF[2] = <coord_transf>;
    PixelShaderConstantF[3] = <scale>;
    PixelShaderConstantF[4] = <Scale>;
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      dcl_2d s2
      mul r0.xy, t0, c4.y
      // r6 = (sy / sx, sx / sy)
      rcp r6.x, c3.x
      mul r6.x, r6.x, c3.y
      rcp r6.y, c3.y
      mul r6.y, r6.y, c3.x
      mov r1.x, c2.x
      mul r1.y, c2.z, r6.x
      mul r2.x, c2.y, r6.y
      mov r2.y, c2.w
      dp2add r3.x, r0, r1, c1.x
      dp2add r3.y, r0, r2, c1.y
      texld r4, r3, s1
      mul r4, r4, c0
      texld r5, t0, s0
      texld r7, t0, s2
      lrp r8.rgb, r4.a, r4, r5
      mov r8.a, r5.a
      lrp r9, r7.x, r5, r8
      mov oC0, r9
    };
  }
}
