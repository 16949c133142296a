// Straight waves running across the picture: every point is pushed along the wave normal
// by amplitude * sin(frequency * (p . direction) + time), where p = t0 * Scale is the
// wave's own coordinate (measured in picture heights over the scale, so the waves keep
// their shape on any aspect and grow with the scale). "Mask" holds the waves back where it
// is white: there the picture shows undisturbed.
float2 Scale = {1.3333333, 1.0};
float2 direction = {-1.0, 0.0};
float2 direction_n = {0.0, 1.0};
float frequency = 38.46;
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
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (BackgroundSampler);
    Sampler[1] = (MaskSampler);
    PixelShaderConstantF[0] = <Scale>;
    PixelShaderConstantF[1] = <direction>;
    PixelShaderConstantF[2] = <direction_n>;
    PixelShaderConstantF[3] = <frequency>;
    PixelShaderConstantF[4] = <amplitude>;
    PixelShaderConstantF[5] = <time>;
    PixelShader = asm {
      ps_2_0
      def c10, 0.15915494, 0.5, 6.2831853, -3.1415927
      def c11, 1.2732395, -0.40528473, 0.225, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      mul r0.xy, t0, c0
      mul r0.xy, r0, c1
      add r0.x, r0.x, r0.y
      mul r0.x, r0.x, c3.x
      add r0.x, r0.x, c5.x
      // bring the phase into [-pi, pi] for the sine
      mad r0.x, r0.x, c10.x, c10.y
      frc r0.x, r0.x
      mad r0.x, r0.x, c10.z, c10.w
      // sine of a phase in [-pi, pi]: a parabola, then one refinement step
      abs r8.x, r0.x
      mul r8.x, r8.x, r0.x
      mul r8.x, r8.x, c11.y
      mad r8.x, r0.x, c11.x, r8.x
      abs r9.x, r8.x
      mad r9.x, r8.x, r9.x, -r8.x
      mad r1.y, r9.x, c11.z, r8.x
      mul r1.x, r1.y, c4.x
      mad r2.xy, c2, r1.x, t0
      texld r3, r2, s0
      // the mask lays the undisturbed picture back over the waves
      texld r4, t0, s0
      texld r5, t0, s1
      lrp r6, r5.x, r4, r3
      mov oC0, r6
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
    PixelShaderConstantF[1] = <direction>;
    PixelShaderConstantF[2] = <direction_n>;
    PixelShaderConstantF[3] = <frequency>;
    PixelShaderConstantF[4] = <amplitude>;
    PixelShaderConstantF[5] = <time>;
    PixelShader = asm {
      ps_2_0
      def c10, 0.15915494, 0.5, 6.2831853, -3.1415927
      def c11, 1.2732395, -0.40528473, 0.225, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      mul r0.xy, t0, c0
      mul r0.xy, r0, c1
      add r0.x, r0.x, r0.y
      mul r0.x, r0.x, c3.x
      add r0.x, r0.x, c5.x
      // bring the phase into [-pi, pi] for the sine
      mad r0.x, r0.x, c10.x, c10.y
      frc r0.x, r0.x
      mad r0.x, r0.x, c10.z, c10.w
      // sine of a phase in [-pi, pi]: a parabola, then one refinement step
      abs r8.x, r0.x
      mul r8.x, r8.x, r0.x
      mul r8.x, r8.x, c11.y
      mad r8.x, r0.x, c11.x, r8.x
      abs r9.x, r8.x
      mad r9.x, r8.x, r9.x, -r8.x
      mad r1.y, r9.x, c11.z, r8.x
      mul r1.x, r1.y, c4.x
      mad r2.xy, c2, r1.x, t0
      texld r3, r2, s0
      // the mask lays the undisturbed picture back over the waves
      texld r4, t0, s0
      texld r5, t0, s1
      lrp r6, r5.x, r4, r3
      mov oC0, r6
    };
  }
}
