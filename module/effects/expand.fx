// The picture pulsing about "center": amplitude.x zooms in, amplitude.y zooms out.
float2 Scale = {1.3333333, 1.0};
float2 amplitude = {0.0, 0.0};
float2 center = {0.5, 0.5};
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
    PixelShaderConstantF[0] = <amplitude>;
    PixelShaderConstantF[1] = <center>;
    PixelShader = asm {
      ps_2_0
      def c10, 1.0, 0.0, 0.0, 0.0
      dcl t0.xy
      dcl_2d s0
      mov r0.x, c10.x
      sub r0.x, r0.x, c0.x
      add r0.x, r0.x, c0.y
      sub r1.xy, t0, c1
      mad r1.xy, r1, r0.x, c1
      texld r2, r1, s0
      mov oC0, r2
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
    PixelShaderConstantF[0] = <amplitude>;
    PixelShaderConstantF[1] = <center>;
    PixelShader = asm {
      ps_2_0
      def c10, 1.0, 0.0, 0.0, 0.0
      dcl t0.xy
      dcl_2d s0
      mov r0.x, c10.x
      sub r0.x, r0.x, c0.x
      add r0.x, r0.x, c0.y
      sub r1.xy, t0, c1
      mad r1.xy, r1, r0.x, c1
      texld r2, r1, s0
      mov oC0, r2
    };
  }
}
