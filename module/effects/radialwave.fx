// Circular waves running from "center": a point at distance r from the centre, measured
// with bg_scale_factor (picture widths; the rings are round at the default background
// scale), reads the picture amplitude * sin(r * Scale.y * frequency - time) farther out
// along its ray (amplitude in picture widths). The rings travel outward while time grows;
// Scale.y (1 / scale) zooms them, so a larger scale gives wider rings. "Mask" holds the
// waves back where it is white.
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
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (BackgroundSampler);
    Sampler[1] = (MaskSampler);
    PixelShaderConstantF[0] = <Scale>;
    PixelShaderConstantF[1] = <bg_scale_factor>;
    PixelShaderConstantF[2] = <center>;
    PixelShaderConstantF[3] = <frequency>;
    PixelShaderConstantF[4] = <amplitude>;
    PixelShaderConstantF[5] = <time>;
    PixelShader = asm {
      ps_2_0
      def c10, 0.15915494, 0.5, 6.2831853, -3.1415927
      def c11, 1.2732395, -0.40528473, 0.225, 0.0
      def c13, 0.000001, 0.0, 0.0, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      sub r0.xy, t0, c2
      mul r1.xy, r0, c1
      dp2add r1.x, r1, r1, c13.x
      rsq r1.y, r1.x
      mul r1.x, r1.x, r1.y
      // the phase: r zoomed by the scale, times the frequency, less the time
      mul r2.x, r1.x, c0.y
      mul r2.x, r2.x, c3.x
      add r2.x, r2.x, -c5.x
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
      // (t0 - center) / r is the ray's unit step in picture widths
      mul r3.x, r3.y, c4.x
      mul r3.x, r3.x, r1.y
      mad r4.xy, r0, r3.x, t0
      texld r5, r4, s0
      texld r6, t0, s0
      texld r7, t0, s1
      lrp r8, r7.x, r6, r5
      mov oC0, r8
    };
  }
}

technique MainFX {
  pass P0 {
    Lighting = false;
    CullMode = None;
    ZEnable = false;
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (BackgroundSampler);
    Sampler[1] = (MaskSampler);
    PixelShaderConstantF[0] = <Scale>;
    PixelShaderConstantF[1] = <bg_scale_factor>;
    PixelShaderConstantF[2] = <center>;
    PixelShaderConstantF[3] = <frequency>;
    PixelShaderConstantF[4] = <amplitude>;
    PixelShaderConstantF[5] = <time>;
    PixelShader = asm {
      ps_2_0
      def c10, 0.15915494, 0.5, 6.2831853, -3.1415927
      def c11, 1.2732395, -0.40528473, 0.225, 0.0
      def c13, 0.000001, 0.0, 0.0, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      sub r0.xy, t0, c2
      mul r1.xy, r0, c1
      dp2add r1.x, r1, r1, c13.x
      rsq r1.y, r1.x
      mul r1.x, r1.x, r1.y
      // the phase: r zoomed by the scale, times the frequency, less the time
      mul r2.x, r1.x, c0.y
      mul r2.x, r2.x, c3.x
      add r2.x, r2.x, -c5.x
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
      // (t0 - center) / r is the ray's unit step in picture widths
      mul r3.x, r3.y, c4.x
      mul r3.x, r3.x, r1.y
      mad r4.xy, r0, r3.x, t0
      texld r5, r4, s0
      texld r6, t0, s0
      texld r7, t0, s1
      lrp r8, r7.x, r6, r5
      mov oC0, r8
    };
  }
}
