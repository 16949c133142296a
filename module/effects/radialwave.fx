// Circular waves from "center": a point at distance r (measured with bg_scale_factor so
// the rings stay round) is pushed outward by amplitude * sin(r * frequency + time).
float2 Scale = {1.3333333, 1.0};
float2 bg_scale_factor = {1.0, 0.75};
float2 center = {0.5, 0.5};
float frequency = 166.67;
float amplitude = 0.0125;
float time = 0.0;
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
    PixelShaderConstantF[0] = <bg_scale_factor>;
    PixelShaderConstantF[1] = <center>;
    PixelShaderConstantF[2] = <frequency>;
    PixelShaderConstantF[3] = <amplitude>;
    PixelShaderConstantF[4] = <time>;
    PixelShader = asm {
      ps_2_0
      def c10, 0.15915494, 0.5, 6.2831853, -3.1415927
      def c11, 1.2732395, -0.40528473, 0.225, 0.0
      def c13, 0.000001, 0.0, 0.0, 0.0
      dcl t0.xy
      dcl_2d s0
      sub r0.xy, t0, c1
      mul r0.xy, r0, c0
      dp2add r1.x, r0, r0, c13.x
      rsq r1.y, r1.x
      mul r1.x, r1.x, r1.y
      mul r2.x, r1.x, c2.x
      add r2.x, r2.x, c4.x
      mad r2.x, r2.x, c10.x, c10.y
      frc r2.x, r2.x
      mad r2.x, r2.x, c10.z, c10.w
      // sine of a phase in [-pi, pi]: a parabola, then one refinement step
      abs r8.x, r2.x
      mul r8.x, r8.x, r2.x
      mul r8.x, r8.x, c11.y
      mad r8.x, r2.x, c11.x, r8.x
      abs r9.x, r8.x
      mad r9.x, r8.x, r9.x, -r8.x
      mad r3.y, r9.x, c11.z, r8.x
      mul r3.x, r3.y, c3.x
      mul r3.x, r3.x, r1.y
      mad r4.xy, r0, r3.x, t0
      texld r5, r4, s0
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
    PixelShaderConstantF[0] = <bg_scale_factor>;
    PixelShaderConstantF[1] = <center>;
    PixelShaderConstantF[2] = <frequency>;
    PixelShaderConstantF[3] = <amplitude>;
    PixelShaderConstantF[4] = <time>;
    PixelShader = asm {
      ps_2_0
      def c10, 0.15915494, 0.5, 6.2831853, -3.1415927
      def c11, 1.2732395, -0.40528473, 0.225, 0.0
      def c13, 0.000001, 0.0, 0.0, 0.0
      dcl t0.xy
      dcl_2d s0
      sub r0.xy, t0, c1
      mul r0.xy, r0, c0
      dp2add r1.x, r0, r0, c13.x
      rsq r1.y, r1.x
      mul r1.x, r1.x, r1.y
      mul r2.x, r1.x, c2.x
      add r2.x, r2.x, c4.x
      mad r2.x, r2.x, c10.x, c10.y
      frc r2.x, r2.x
      mad r2.x, r2.x, c10.z, c10.w
      // sine of a phase in [-pi, pi]: a parabola, then one refinement step
      abs r8.x, r2.x
      mul r8.x, r8.x, r2.x
      mul r8.x, r8.x, c11.y
      mad r8.x, r2.x, c11.x, r8.x
      abs r9.x, r8.x
      mad r9.x, r8.x, r9.x, -r8.x
      mad r3.y, r9.x, c11.z, r8.x
      mul r3.x, r3.y, c3.x
      mul r3.x, r3.x, r1.y
      mad r4.xy, r0, r3.x, t0
      texld r5, r4, s0
      mov oC0, r5
    };
  }
}
