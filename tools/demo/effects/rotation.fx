// The picture turned about a centre: a point p reads the picture at
//   centre + ((p - centre) * Scale) x coord_transf / (Scale.x / Scale.y, 1),
// the offset from the centre taken in the effect's own units (picture heights over the
// scale, so the turn is round on any aspect) as a row vector times the 2 x 2 transform
// (coord_transf = (R11, R12, R21, R22)), then back to picture units: a larger scale
// magnifies the turning picture. "offset" is minus the centre (picture fractions). The
// result, tinted by mix_color, is laid over what lies behind by mix_color's alpha.
// "Mask" holds the turn back where it is white.
float2 Scale = {1.3333333, 1.0};
float4 coord_transf = {1.0, 0.0, 0.0, 1.0};
float2 offset = {-0.5, -0.5};
float4 mix_color = {1.0, 1.0, 1.0, 1.0};
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
    AlphaBlendEnable = true;
    BlendOp = Add;
    SrcBlend = SrcAlpha;
    DestBlend = InvSrcAlpha;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (BackgroundSampler);
    Sampler[1] = (MaskSampler);
    PixelShaderConstantF[0] = <Scale>;
    PixelShaderConstantF[1] = <coord_transf>;
    PixelShaderConstantF[2] = <offset>;
    PixelShaderConstantF[3] = <mix_color>;
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      add r0.xy, t0, c2
      mul r0.xy, r0, c0
      // the row vector (x, y) times the transform
      mul r1.x, r0.x, c1.x
      mad r1.x, r0.y, c1.z, r1.x
      mul r1.y, r0.x, c1.y
      mad r1.y, r0.y, c1.w, r1.y
      // back to picture units: x over the aspect
      rcp r2.x, c0.x
      mul r2.x, r2.x, c0.y
      mul r1.x, r1.x, r2.x
      add r1.xy, r1, -c2
      texld r3, r1, s0
      texld r4, t0, s0
      texld r5, t0, s1
      lrp r6, r5.x, r4, r3
      // the tint; the alpha is mix_color's alone, whatever the picture's alpha holds
      mul r6.xyz, r6, c3
      mov r6.w, c3.w
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
    BlendOp = Add;
    SrcBlend = SrcAlpha;
    DestBlend = InvSrcAlpha;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (BackgroundSampler);
    Sampler[1] = (MaskSampler);
    PixelShaderConstantF[0] = <Scale>;
    PixelShaderConstantF[1] = <coord_transf>;
    PixelShaderConstantF[2] = <offset>;
    PixelShaderConstantF[3] = <mix_color>;
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      add r0.xy, t0, c2
      mul r0.xy, r0, c0
      // the row vector (x, y) times the transform
      mul r1.x, r0.x, c1.x
      mad r1.x, r0.y, c1.z, r1.x
      mul r1.y, r0.x, c1.y
      mad r1.y, r0.y, c1.w, r1.y
      // back to picture units: x over the aspect
      rcp r2.x, c0.x
      mul r2.x, r2.x, c0.y
      mul r1.x, r1.x, r2.x
      add r1.xy, r1, -c2
      texld r3, r1, s0
      texld r4, t0, s0
      texld r5, t0, s1
      lrp r6, r5.x, r4, r3
      // the tint; the alpha is mix_color's alone, whatever the picture's alpha holds
      mul r6.xyz, r6, c3
      mov r6.w, c3.w
      mov oC0, r6
    };
  }
}
