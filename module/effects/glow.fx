// Glowing sprites: "Blend_Max" draws the sprites into the glow target keeping the
// brightest value; "Blend_Normal" and "Blend_Screen" lay the glow, tinted by BlendColor
// (alpha = strength), over the background "Texture1"; "Common" draws the sprites.
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
    AlphaBlendEnable = true;
    BlendOp = Max;
    SrcBlend = One;
    DestBlend = One;
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

technique Blend_Normal {
  pass P0 {
    Lighting = false;
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (Sampler1);
    Sampler[1] = (Sampler2);
    PixelShaderConstantF[0] = <BlendColor>;
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      texld r0, t0, s0
      texld r1, t0, s1
      mul r2.x, r1.a, c0.a
      mul r3.rgb, r1, c0
      lrp r4.rgb, r2.x, r3, r0
      mov r4.a, r0.a
      mov oC0, r4
    };
  }
}

technique Blend_Screen {
  pass P0 {
    Lighting = false;
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
