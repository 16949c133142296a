// Light over the scene.
// "Main"/"MainFX": a pool of light centred on the picture brightens the background by
// (1 + multiplier x falloff), falloff = max(0, 1 - |d|^2) with d the distance from the
// centre in units of the picture height times the scale s ("Scale" = (a / s, 1 / s)): at
// the centre the background is brightened by exactly (1 + multiplier), and a larger scale
// spreads the pool wider, round on any aspect.
// The blend techniques lay "BlendColor" over "Texture1" (the scene) with the blend they
// name, its alpha (clamped to 0..1) the blend's opacity: lerp(scene, blend(scene, colour),
// alpha). "Texture2" (the mask) holds every technique back where it is white, as "Mask"
// does for "Main".
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
sampler MaskSampler = sampler_state {
  Texture = <Mask>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Clamp; AddressV = Clamp;
};
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

technique Main {
  pass P0 {
    Lighting = false;
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (BackgroundSampler);
    Sampler[1] = (MaskSampler);
    PixelShaderConstantF[0] = <Scale>;
    PixelShaderConstantF[1] = <multiplier>;
    PixelShader = asm {
      ps_2_0
      def c10, 0.5, 1.0, 0.0, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      texld r0, t0, s0
      texld r5, t0, s1
      add r1.xy, t0, -c10.x
      mul r1.xy, r1, c0
      dp2add r2.x, r1, r1, c10.z
      add_sat r2.x, c10.y, -r2.x
      mul r2.x, r2.x, c1.x
      mad r3.rgb, r0, r2.x, r0
      mov r3.a, r0.a
      lrp r4, r5.x, r0, r3
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
    PixelShaderConstantF[0] = <Scale>;
    PixelShaderConstantF[1] = <multiplier>;
    PixelShader = asm {
      ps_2_0
      def c10, 0.5, 1.0, 0.0, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      texld r0, t0, s0
      texld r5, t0, s1
      add r1.xy, t0, -c10.x
      mul r1.xy, r1, c0
      dp2add r2.x, r1, r1, c10.z
      add_sat r2.x, c10.y, -r2.x
      mul r2.x, r2.x, c1.x
      mad r3.rgb, r0, r2.x, r0
      mov r3.a, r0.a
      lrp r4, r5.x, r0, r3
      mov oC0, r4
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
      def c10, 0.0, 1.0, 0.004, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      texld r0, t0, s0
      texld r5, t0, s1
      // normal: the colour itself
      mov r3.rgb, c0
      mov_sat r6.x, c0.a
      lrp r1.rgb, r6.x, r3, r0
      mov r1.a, r0.a
      lrp r4, r5.x, r0, r1
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
      def c10, 0.0, 1.0, 0.004, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      texld r0, t0, s0
      texld r5, t0, s1
      // screen: 1 - (1 - scene)(1 - colour) = scene + colour (1 - scene)
      sub r2.rgb, c10.y, r0
      mad r3.rgb, c0, r2, r0
      mov_sat r6.x, c0.a
      lrp r1.rgb, r6.x, r3, r0
      mov r1.a, r0.a
      lrp r4, r5.x, r0, r1
      mov oC0, r4
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
    Sampler[1] = (Sampler2);
    PixelShaderConstantF[0] = <BlendColor>;
    PixelShader = asm {
      ps_2_0
      def c10, 0.0, 1.0, 0.004, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      texld r0, t0, s0
      texld r5, t0, s1
      // colour dodge: scene / (1 - colour), at most 1 (a white colour divides by a small
      // floor instead of 0)
      sub r2.rgb, c10.y, c0
      max r2.rgb, r2, c10.z
      rcp r3.x, r2.x
      rcp r3.y, r2.y
      rcp r3.z, r2.z
      mul_sat r3.rgb, r0, r3
      mov_sat r6.x, c0.a
      lrp r1.rgb, r6.x, r3, r0
      mov r1.a, r0.a
      lrp r4, r5.x, r0, r1
      mov oC0, r4
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
    Sampler[1] = (Sampler2);
    PixelShaderConstantF[0] = <BlendColor>;
    PixelShader = asm {
      ps_2_0
      def c10, 0.0, 1.0, 0.004, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      texld r0, t0, s0
      texld r5, t0, s1
      // sum: scene + colour, at most 1
      add_sat r3.rgb, r0, c0
      mov_sat r6.x, c0.a
      lrp r1.rgb, r6.x, r3, r0
      mov r1.a, r0.a
      lrp r4, r5.x, r0, r1
      mov oC0, r4
    };
  }
}
