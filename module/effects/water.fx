// A rippling water surface over the picture. With p = t0 * Scale, the effect's own
// coordinate (picture heights over the scale):
//   - a normal map "BumpMap", drifting along "Direction2" with "Time", gives the ripples:
//     its tilt b (texel * 2 - 1) turned and scaled by "BampTrans" (b.x * (x, y) +
//     b.y * (z, w)) bends the picture, and its normal (-b.x, -b.y, 1) catches the light;
//   - a wave runs along "Direction1" (its length the wave number): with
//     e = (1 + cos(p . Direction1 + Time)) / 2 its profile is
//     f = e / (P2.y - (P2.y - P2.x) e), a cosine when P2.y = P2.x and ever sharper crests
//     as P2.y grows, and it pushes the picture (1 + P1.x) f along Direction1;
//   - "Shadows" darkens the troughs: the colour times 1 - Shadows (1 - f);
//   - the light whose half vector is "Vhalf" adds (N . Vhalf)^16 of white;
//   - "Color" tints the water.
// "Mask" holds the water back where it is white: there the picture shows undisturbed.
float2 Scale = {2.2222222, 1.6666667};
float4 BampTrans = {0.02, 0.0, 0.0, 0.02};
float3 P1 = {-0.998, -1.0, -0.998};
float3 P2 = {1.0, 1.0327, 1.0};
float Time = 0.0;
float2 Direction1 = {-45.45, 0.0};
float2 Direction2 = {-0.0025, 0.0};
float Shadows = 0.0;
float3 Vhalf = {0.4472136, 0.8944272, 0.0};
float3 Color = {1.0, 1.0, 1.0};
texture BumpMap;
texture Mask;
texture Background;

sampler BackgroundSampler = sampler_state {
  Texture = <Background>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Clamp; AddressV = Clamp;
};
sampler BumpSampler = sampler_state {
  Texture = <BumpMap>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Wrap; AddressV = Wrap;
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
    Sampler[1] = (BumpSampler);
    Sampler[2] = (MaskSampler);
    PixelShaderConstantF[0] = <Scale>;
    PixelShaderConstantF[1] = <BampTrans>;
    PixelShaderConstantF[2] = <P1>;
    PixelShaderConstantF[3] = <P2>;
    PixelShaderConstantF[4] = <Time>;
    PixelShaderConstantF[5] = <Direction1>;
    PixelShaderConstantF[6] = <Direction2>;
    PixelShaderConstantF[7] = <Shadows>;
    PixelShaderConstantF[8] = <Vhalf>;
    PixelShaderConstantF[9] = <Color>;
    PixelShader = asm {
      ps_2_0
      def c10, 2.0, -1.0, 0.0, 1.0
      def c11, 0.15915494, 0.5, 6.2831853, -3.1415927
      def c12, 1.2732395, -0.40528473, 0.225, 1.5707963
      def c13, 16.0, 0.0001, 0.5, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      dcl_2d s2
      mul r0.xy, t0, c0
      // the ripples: the normal map drifting with Direction2, its tilt turned and scaled
      mad r1.xy, c6, c4.x, r0
      texld r2, r1, s1
      mad r2.xy, r2, c10.x, c10.y
      mov r3.x, c1.x
      mov r3.y, c1.z
      mov r4.x, c1.y
      mov r4.y, c1.w
      dp2add r5.x, r2, r3, c10.z
      dp2add r5.y, r2, r4, c10.z
      // the wave: cos(p . Direction1 + Time) as the sine a quarter turn on
      dp2add r6.x, r0, c5, c4.x
      add r6.x, r6.x, c12.w
      mad r6.x, r6.x, c11.x, c11.y
      frc r6.x, r6.x
      mad r6.x, r6.x, c11.z, c11.w
      // sine of a phase in [-pi, pi]: a parabola, then one refinement step
      abs r8.x, r6.x
      mul r8.x, r8.x, r6.x
      mul r8.x, r8.x, c12.y
      mad r8.x, r6.x, c12.x, r8.x
      abs r9.x, r8.x
      mad r9.x, r8.x, r9.x, -r8.x
      mad r7.x, r9.x, c12.z, r8.x
      // its profile f = e / (P2.y - (P2.y - P2.x) e), e = (1 + cos) / 2
      mad r7.x, r7.x, c13.z, c13.z
      add r7.y, c3.y, -c3.x
      mad r7.z, -r7.y, r7.x, c3.y
      rcp r7.z, r7.z
      mul r7.x, r7.x, r7.z
      // pushed (1 + P1.x) f along Direction1, bent by the ripples
      add r7.w, c2.x, c10.w
      mul r7.y, r7.x, r7.w
      dp2add r8.x, c5, c5, c10.z
      max r8.x, r8.x, c13.y
      rsq r8.x, r8.x
      mul r8.xy, c5, r8.x
      mad r9.xy, r8, r7.y, r5
      add r9.xy, r9, t0
      texld r10, r9, s0
      // tinted, darkened in the troughs
      mul r10.rgb, r10, c9
      add r11.x, c10.w, -r7.x
      mad r11.x, -c7.x, r11.x, c10.w
      max r11.x, r11.x, c10.z
      mul r10.rgb, r10, r11.x
      // lit: (N . Vhalf)^16 with N the normal map's normal
      mov r11, c10.w
      mov r11.xy, -r2
      nrm r3.xyz, r11
      dp3 r3.x, r3, c8
      max r3.x, r3.x, c13.y
      pow r3.x, r3.x, c13.x
      add r10.rgb, r10, r3.x
      // the mask lays the undisturbed picture back over the water
      texld r4, t0, s0
      texld r6, t0, s2
      lrp r11, r6.x, r4, r10
      mov oC0, r11
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
    Sampler[1] = (BumpSampler);
    Sampler[2] = (MaskSampler);
    PixelShaderConstantF[0] = <Scale>;
    PixelShaderConstantF[1] = <BampTrans>;
    PixelShaderConstantF[2] = <P1>;
    PixelShaderConstantF[3] = <P2>;
    PixelShaderConstantF[4] = <Time>;
    PixelShaderConstantF[5] = <Direction1>;
    PixelShaderConstantF[6] = <Direction2>;
    PixelShaderConstantF[7] = <Shadows>;
    PixelShaderConstantF[8] = <Vhalf>;
    PixelShaderConstantF[9] = <Color>;
    PixelShader = asm {
      ps_2_0
      def c10, 2.0, -1.0, 0.0, 1.0
      def c11, 0.15915494, 0.5, 6.2831853, -3.1415927
      def c12, 1.2732395, -0.40528473, 0.225, 1.5707963
      def c13, 16.0, 0.0001, 0.5, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      dcl_2d s2
      mul r0.xy, t0, c0
      // the ripples: the normal map drifting with Direction2, its tilt turned and scaled
      mad r1.xy, c6, c4.x, r0
      texld r2, r1, s1
      mad r2.xy, r2, c10.x, c10.y
      mov r3.x, c1.x
      mov r3.y, c1.z
      mov r4.x, c1.y
      mov r4.y, c1.w
      dp2add r5.x, r2, r3, c10.z
      dp2add r5.y, r2, r4, c10.z
      // the wave: cos(p . Direction1 + Time) as the sine a quarter turn on
      dp2add r6.x, r0, c5, c4.x
      add r6.x, r6.x, c12.w
      mad r6.x, r6.x, c11.x, c11.y
      frc r6.x, r6.x
      mad r6.x, r6.x, c11.z, c11.w
      // sine of a phase in [-pi, pi]: a parabola, then one refinement step
      abs r8.x, r6.x
      mul r8.x, r8.x, r6.x
      mul r8.x, r8.x, c12.y
      mad r8.x, r6.x, c12.x, r8.x
      abs r9.x, r8.x
      mad r9.x, r8.x, r9.x, -r8.x
      mad r7.x, r9.x, c12.z, r8.x
      // its profile f = e / (P2.y - (P2.y - P2.x) e), e = (1 + cos) / 2
      mad r7.x, r7.x, c13.z, c13.z
      add r7.y, c3.y, -c3.x
      mad r7.z, -r7.y, r7.x, c3.y
      rcp r7.z, r7.z
      mul r7.x, r7.x, r7.z
      // pushed (1 + P1.x) f along Direction1, bent by the ripples
      add r7.w, c2.x, c10.w
      mul r7.y, r7.x, r7.w
      dp2add r8.x, c5, c5, c10.z
      max r8.x, r8.x, c13.y
      rsq r8.x, r8.x
      mul r8.xy, c5, r8.x
      mad r9.xy, r8, r7.y, r5
      add r9.xy, r9, t0
      texld r10, r9, s0
      // tinted, darkened in the troughs
      mul r10.rgb, r10, c9
      add r11.x, c10.w, -r7.x
      mad r11.x, -c7.x, r11.x, c10.w
      max r11.x, r11.x, c10.z
      mul r10.rgb, r10, r11.x
      // lit: (N . Vhalf)^16 with N the normal map's normal
      mov r11, c10.w
      mov r11.xy, -r2
      nrm r3.xyz, r11
      dp3 r3.x, r3, c8
      max r3.x, r3.x, c13.y
      pow r3.x, r3.x, c13.x
      add r10.rgb, r10, r3.x
      // the mask lays the undisturbed picture back over the water
      texld r4, t0, s0
      texld r6, t0, s2
      lrp r11, r6.x, r4, r10
      mov oC0, r11
    };
  }
}
