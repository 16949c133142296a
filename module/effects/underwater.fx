// The scene seen through moving water: each point is displaced by
// amplitude * (sin(v' * frequency.y + time), sin(u' * frequency.x + time)) with
// (u', v') = t0 * Scale.y, the picture coordinate over the scale (frequency.x already
// carries the picture's aspect, so the wobble is round on any picture and grows with the
// scale). "Mask" holds the wobble back where it is white.
float2 Scale = {1.3333333, 1.0};
float2 frequency = {13.2, 9.9};
float amplitude = 0.00625;
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
    PixelShaderConstantF[1] = <frequency>;
    PixelShaderConstantF[2] = <amplitude>;
    PixelShaderConstantF[3] = <time>;
    PixelShader = asm {
      ps_2_0
      def c10, 0.15915494, 0.5, 6.2831853, -3.1415927
      def c11, 1.2732395, -0.40528473, 0.225, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      mul r7.xy, t0, c0.y
      mul r0.x, r7.y, c1.y
      mul r0.y, r7.x, c1.x
      add r0.xy, r0, c3.x
      mad r0.xy, r0, c10.x, c10.y
      frc r0.xy, r0
      mad r0.xy, r0, c10.z, c10.w
      // sine of a phase in [-pi, pi]: a parabola, then one refinement step
      abs r8.x, r0.x
      mul r8.x, r8.x, r0.x
      mul r8.x, r8.x, c11.y
      mad r8.x, r0.x, c11.x, r8.x
      abs r9.x, r8.x
      mad r9.x, r8.x, r9.x, -r8.x
      mad r1.y, r9.x, c11.z, r8.x
      // sine of a phase in [-pi, pi]: a parabola, then one refinement step
      abs r8.x, r0.y
      mul r8.x, r8.x, r0.y
      mul r8.x, r8.x, c11.y
      mad r8.x, r0.y, c11.x, r8.x
      abs r9.x, r8.x
      mad r9.x, r8.x, r9.x, -r8.x
      mad r2.y, r9.x, c11.z, r8.x
      mov r3.x, r1.y
      mov r3.y, r2.y
      mad r3.xy, r3, c2.x, t0
      texld r4, r3, s0
      // the mask lays the undisturbed picture back over the wobble
      texld r5, t0, s0
      texld r6, t0, s1
      lrp r7, r6.x, r5, r4
      mov oC0, r7
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
    PixelShaderConstantF[1] = <frequency>;
    PixelShaderConstantF[2] = <amplitude>;
    PixelShaderConstantF[3] = <time>;
    PixelShader = asm {
      ps_2_0
      def c10, 0.15915494, 0.5, 6.2831853, -3.1415927
      def c11, 1.2732395, -0.40528473, 0.225, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      mul r7.xy, t0, c0.y
      mul r0.x, r7.y, c1.y
      mul r0.y, r7.x, c1.x
      add r0.xy, r0, c3.x
      mad r0.xy, r0, c10.x, c10.y
      frc r0.xy, r0
      mad r0.xy, r0, c10.z, c10.w
      // sine of a phase in [-pi, pi]: a parabola, then one refinement step
      abs r8.x, r0.x
      mul r8.x, r8.x, r0.x
      mul r8.x, r8.x, c11.y
      mad r8.x, r0.x, c11.x, r8.x
      abs r9.x, r8.x
      mad r9.x, r8.x, r9.x, -r8.x
      mad r1.y, r9.x, c11.z, r8.x
      // sine of a phase in [-pi, pi]: a parabola, then one refinement step
      abs r8.x, r0.y
      mul r8.x, r8.x, r0.y
      mul r8.x, r8.x, c11.y
      mad r8.x, r0.y, c11.x, r8.x
      abs r9.x, r8.x
      mad r9.x, r8.x, r9.x, -r8.x
      mad r2.y, r9.x, c11.z, r8.x
      mov r3.x, r1.y
      mov r3.y, r2.y
      mad r3.xy, r3, c2.x, t0
      texld r4, r3, s0
      // the mask lays the undisturbed picture back over the wobble
      texld r5, t0, s0
      texld r6, t0, s1
      lrp r7, r6.x, r5, r4
      mov oC0, r7
    };
  }
}
