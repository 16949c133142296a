// Light over the scene. "Main"/"MainFX" brighten the background by (1 + multiplier);
// the blend techniques lay BlendColor (its alpha is the strength) over "Texture1".
float2 Scale = {1.3333333, 1.0};
float multiplier = 0.2;
float4 BlendColor = {1.0, 1.0, 1.0, 0.0};
texture Mask;
texture Background;
texture Texture1;
texture Texture2;

sampler BackgroundSampler = sampler_state {
  Texture = <Background>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Clamp; AddressV = Clamp;
};
sampler Sampler1 = sampler_state {
  Texture = <Texture1>;
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
    PixelShaderConstantF[0] = <multiplier>;
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl_2d s0
      texld r0, t0, s0
      mad r1.rgb, r0, c0.x, r0
      mov r1.a, r0.a
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
    PixelShaderConstantF[0] = <multiplier>;
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl_2d s0
      texld r0, t0, s0
      mad r1.rgb, r0, c0.x, r0
      mov r1.a, r0.a
      mov oC0, r1
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
    PixelShaderConstantF[0] = <BlendColor>;
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl_2d s0
      texld r0, t0, s0
      lrp r1.rgb, c0.a, c0, r0
      mov r1.a, r0.a
      mov oC0, r1
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
    PixelShaderConstantF[0] = <BlendColor>;
    PixelShader = asm {
      ps_2_0
      def c10, 1.0, 1.0, 1.0, 1.0
      dcl t0.xy
      dcl_2d s0
      texld r0, t0, s0
      mul r2.rgb, c0, c0.a
      sub r3.rgb, c10, r0
      mad r1.rgb, r2, r3, r0
      mov r1.a, r0.a
      mov oC0, r1
    };
  }
}

technique PS_ColorDodge {
  pass P0 {
    Lighting = false;
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (Sampler1);
    PixelShaderConstantF[0] = <BlendColor>;
    PixelShader = asm {
      ps_2_0
      def c10, 1.0, 0.004, 0.0, 0.0
      dcl t0.xy
      dcl_2d s0
      texld r0, t0, s0
      mul r2.rgb, c0, c0.a
      sub r2.rgb, c10.x, r2
      max r2.rgb, r2, c10.y
      rcp r3.x, r2.x
      rcp r3.y, r2.y
      rcp r3.z, r2.z
      mul_sat r1.rgb, r0, r3
      mov r1.a, r0.a
      mov oC0, r1
    };
  }
}

technique Blend_Sum {
  pass P0 {
    Lighting = false;
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (Sampler1);
    PixelShaderConstantF[0] = <BlendColor>;
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl_2d s0
      texld r0, t0, s0
      mad_sat r1.rgb, c0, c0.a, r0
      mov r1.a, r0.a
      mov oC0, r1
    };
  }
}
