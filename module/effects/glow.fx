// Glowing sprites, in three steps that the glow systems run each frame:
//   "Blend_Max"     draws the sprites with the glow picture "Texture1" into the cleared glow
//                   target, keeping the brightest value of each channel. The target holds
//                   the glow premultiplied by its alpha, so a transparent texel adds
//                   nothing however bright its colour.
//   "Blend_Normal"  lays the glow "Texture2", tinted by BlendColor.rgb and weighted by
//   "Blend_Screen"  BlendColor.a (strength x time-line alpha), over the background copy
//                   "Texture1": as a premultiplied "over", or as a screen (1 - (1-a)(1-b)),
//                   which only ever brightens.
//   "Common"        draws the sprites themselves: picture "Texture1" times the vertex
//                   colour, alpha blended.
// Sprite quads may face either way (a bolt segment's axes are mirrored), so nothing culls.
texture Texture1;
texture Texture2;
float4 BlendColor = {1.0, 0.6, 0.0, 1.0};

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

technique Blend_Max {
  pass P0 {
    Lighting = false;
    CullMode = None;
    ZEnable = false;
    AlphaBlendEnable = true;
    BlendOp = Max;
    SrcBlend = One;
    DestBlend = One;
    // The player limits colour writes to red, green and blue; the composite needs the
    // glow's alpha as well.
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

technique Blend_Normal {
  pass P0 {
    Lighting = false;
    CullMode = None;
    ZEnable = false;
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (Sampler1);
    Sampler[1] = (Sampler2);
    PixelShaderConstantF[0] = <BlendColor>;
    PixelShader = asm {
      ps_2_0
      def c10, 1.0, 1.0, 1.0, 1.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      texld r0, t0, s0
      texld r1, t0, s1
      mul r2.rgb, r1, c0
      mul r2.rgb, r2, c0.a
      mul_sat r3.x, r1.a, c0.a
      sub r3.x, c10.x, r3.x
      mad r4.rgb, r0, r3.x, r2
      mov r4.a, r0.a
      mov oC0, r4
    };
  }
}

technique Blend_Screen {
  pass P0 {
    Lighting = false;
    CullMode = None;
    ZEnable = false;
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (Sampler1);
    Sampler[1] = (Sampler2);
    PixelShaderConstantF[0] = <BlendColor>;
    PixelShader = asm {
      ps_2_0
      def c10, 1.0, 1.0, 1.0, 1.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      texld r0, t0, s0
      texld r1, t0, s1
      mul r2.rgb, r1, c0
      mul_sat r2.rgb, r2, c0.a
      sub r3.rgb, c10, r0
      mad r4.rgb, r2, r3, r0
      mov r4.a, r0.a
      mov oC0, r4
    };
  }
}

technique Common {
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
