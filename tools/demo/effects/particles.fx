// Particle masks and composites. The generators draw their quads into an off-screen mask
// and lay the mask over the frame:
//   "BlendMask"      quads with picture "Texture1" times the vertex colour into a mask
//                    cleared to transparent black: colour laid over what the mask holds
//                    by one minus the quad's alpha, so that a lone quad keeps its own
//                    colour (not darkened by its alpha, which the composites apply once),
//                    alpha accumulated as an "over".
//   "JoinMask"       cleared to transparent black or white: colour blended over what the
//                    mask holds by the quad's alpha, alpha accumulated as an "over".
//   "CommonTex"      the mask "Texture1" over the frame by its alpha.
//   "Blend_ScreenTex"     the background copy "Texture1" screened with the mask "Texture2"
//                         (1 - (1 - a)(1 - b)), weighted by the mask's alpha.
//   "Blend_ColorDodgeTex" the background "Texture1" divided by one minus the mask
//                         "Texture2" (weighted by its alpha), saturated.
//   "Blend_SumTex"   the mask "Texture1" added to the frame, weighted by its alpha.
//   "BlendMask_Max"  quads with "Texture1" times the vertex colour, premultiplied by alpha,
//                    into a mask keeping each channel's brightest value.
//   "Main"           the background "Texture1" screened with the glow mask "Texture2",
//                    then the particle mask "Texture3" (premultiplied) over it.
// Quads may face either way, so nothing culls.
texture Texture1;
texture Texture2;
texture Texture3;

sampler Sampler1 = sampler_state {
  Texture = <Texture1>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Clamp; AddressV = Clamp;
};
sampler Sampler2 = sampler_state {
  Texture = <Texture2>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Clamp; AddressV = Clamp;
};
sampler Sampler3 = sampler_state {
  Texture = <Texture3>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Clamp; AddressV = Clamp;
};

technique BlendMask {
  pass P0 {
    Lighting = false;
    CullMode = None;
    ZEnable = false;
    AlphaBlendEnable = true;
    BlendOp = Add;
    SrcBlend = One;
    DestBlend = InvSrcAlpha;
    SeparateAlphaBlendEnable = true;
    BlendOpAlpha = Add;
    SrcBlendAlpha = One;
    DestBlendAlpha = InvSrcAlpha;
    ColorWriteEnable = Red | Green | Blue | Alpha;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (Sampler1);
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl v0
      dcl_2d s0
      texld r0, t0, s0
      mul r0, r0, v0
      mov oC0, r0
    };
  }
}

technique JoinMask {
  pass P0 {
    Lighting = false;
    CullMode = None;
    ZEnable = false;
    AlphaBlendEnable = true;
    BlendOp = Add;
    SrcBlend = SrcAlpha;
    DestBlend = InvSrcAlpha;
    SeparateAlphaBlendEnable = true;
    BlendOpAlpha = Add;
    SrcBlendAlpha = One;
    DestBlendAlpha = InvSrcAlpha;
    ColorWriteEnable = Red | Green | Blue | Alpha;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (Sampler1);
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl v0
      dcl_2d s0
      texld r0, t0, s0
      mul r0, r0, v0
      mov oC0, r0
    };
  }
}

technique CommonTex {
  pass P0 {
    Lighting = false;
    CullMode = None;
    ZEnable = false;
    AlphaBlendEnable = true;
    BlendOp = Add;
    SrcBlend = SrcAlpha;
    DestBlend = InvSrcAlpha;
    SeparateAlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (Sampler1);
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl_2d s0
      texld r0, t0, s0
      mov oC0, r0
    };
  }
}

technique Blend_ScreenTex {
  pass P0 {
    Lighting = false;
    CullMode = None;
    ZEnable = false;
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (Sampler1);
    Sampler[1] = (Sampler2);
    PixelShader = asm {
      ps_2_0
      def c10, 1.0, 1.0, 1.0, 1.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      texld r0, t0, s0
      texld r1, t0, s1
      mul r2.rgb, r1, r1.a
      sub r3.rgb, c10, r0
      mad r4.rgb, r2, r3, r0
      mov r4.a, c10.a
      mov oC0, r4
    };
  }
}

technique Blend_ColorDodgeTex {
  pass P0 {
    Lighting = false;
    CullMode = None;
    ZEnable = false;
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (Sampler1);
    Sampler[1] = (Sampler2);
    PixelShader = asm {
      ps_2_0
      def c10, 1.0, 1.0, 1.0, 1.0
      def c11, 0.00390625, 0.00390625, 0.00390625, 0.00390625
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      texld r0, t0, s0
      texld r1, t0, s1
      mul r2.rgb, r1, r1.a
      sub r2.rgb, c10, r2
      max r2.rgb, r2, c11
      rcp r3.r, r2.r
      rcp r3.g, r2.g
      rcp r3.b, r2.b
      mul_sat r4.rgb, r0, r3
      mov r4.a, c10.a
      mov oC0, r4
    };
  }
}

technique Blend_SumTex {
  pass P0 {
    Lighting = false;
    CullMode = None;
    ZEnable = false;
    AlphaBlendEnable = true;
    BlendOp = Add;
    SrcBlend = SrcAlpha;
    DestBlend = One;
    SeparateAlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (Sampler1);
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl_2d s0
      texld r0, t0, s0
      mov oC0, r0
    };
  }
}

technique BlendMask_Max {
  pass P0 {
    Lighting = false;
    CullMode = None;
    ZEnable = false;
    AlphaBlendEnable = true;
    BlendOp = Max;
    SrcBlend = One;
    DestBlend = One;
    SeparateAlphaBlendEnable = false;
    ColorWriteEnable = Red | Green | Blue | Alpha;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (Sampler1);
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl v0
      dcl_2d s0
      texld r0, t0, s0
      mul r0, r0, v0
      mul r0.rgb, r0, r0.a
      mov oC0, r0
    };
  }
}

technique Main {
  pass P0 {
    Lighting = false;
    CullMode = None;
    ZEnable = false;
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (Sampler1);
    Sampler[1] = (Sampler2);
    Sampler[2] = (Sampler3);
    PixelShader = asm {
      ps_2_0
      def c10, 1.0, 1.0, 1.0, 1.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      dcl_2d s2
      texld r0, t0, s0
      texld r1, t0, s1
      texld r2, t0, s2
      sub r3.rgb, c10, r0
      mad r4.rgb, r1, r3, r0
      sub r5.x, c10.x, r2.a
      mad r4.rgb, r4, r5.x, r2
      mov r4.a, c10.a
      mov oC0, r4
    };
  }
}
