// The picture bent about "Center": a point p, taken from the centre in the effect's own
// units (q = (p - Center) * Scale.xy, picture heights over the scale), turns about the
// centre by Angle * |q|^Bend radians and reads the picture there (back to picture units
// with Scale.zw). Bend 0 turns the region as a whole; the larger the bend, the more the
// far parts swing against the near ones, as a branch bends from its root. A larger scale
// stretches the bend over a wider reach. "Mask" holds the bend back where it is white.
float4 Scale = {1.3333333, 1.0, 0.75, 1.0};
float2 Center = {0.5, 0.5};
float Angle = 0.0;
float Bend = 0.0;
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
    PixelShaderConstantF[1] = <Center>;
    PixelShaderConstantF[2] = <Angle>;
    PixelShaderConstantF[3] = <Bend>;
    PixelShader = asm {
      ps_2_0
      def c10, 0.15915494, 0.5, 6.2831853, -3.1415927
      def c11, 1.2732395, -0.40528473, 0.225, 1.5707963
      def c13, 0.000001, 0.0, 0.0, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      sub r0.xy, t0, c1
      mul r1.xy, r0, c0
      // the turn: Angle * |q|^Bend
      dp2add r2.x, r1, r1, c13.x
      rsq r2.y, r2.x
      mul r2.x, r2.x, r2.y
      pow r2.x, r2.x, c3.x
      mul r2.y, r2.x, c2.x
      // (cos, sin) as the sines of (turn + pi / 2, turn), each brought into [-pi, pi]
      add r2.x, r2.y, c11.w
      mad r2.xy, r2, c10.x, c10.y
      frc r2.xy, r2
      mad r2.xy, r2, c10.z, c10.w
      // sine of a phase in [-pi, pi]: a parabola, then one refinement step
      abs r8.xy, r2
      mul r8.xy, r8, r2
      mul r8.xy, r8, c11.y
      mad r8.xy, r2, c11.x, r8
      abs r9.xy, r8
      mad r9.xy, r8, r9, -r8
      mad r3.xy, r9, c11.z, r8
      // q turned: (x cos - y sin, x sin + y cos)
      mul r4.x, r1.x, r3.x
      mad r4.x, r1.y, -r3.y, r4.x
      mul r4.y, r1.x, r3.y
      mad r4.y, r1.y, r3.x, r4.y
      // back to picture units
      mul r4.x, r4.x, c0.z
      mul r4.y, r4.y, c0.w
      add r4.xy, r4, c1
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
    PixelShaderConstantF[1] = <Center>;
    PixelShaderConstantF[2] = <Angle>;
    PixelShaderConstantF[3] = <Bend>;
    PixelShader = asm {
      ps_2_0
      def c10, 0.15915494, 0.5, 6.2831853, -3.1415927
      def c11, 1.2732395, -0.40528473, 0.225, 1.5707963
      def c13, 0.000001, 0.0, 0.0, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      sub r0.xy, t0, c1
      mul r1.xy, r0, c0
      // the turn: Angle * |q|^Bend
      dp2add r2.x, r1, r1, c13.x
      rsq r2.y, r2.x
      mul r2.x, r2.x, r2.y
      pow r2.x, r2.x, c3.x
      mul r2.y, r2.x, c2.x
      // (cos, sin) as the sines of (turn + pi / 2, turn), each brought into [-pi, pi]
      add r2.x, r2.y, c11.w
      mad r2.xy, r2, c10.x, c10.y
      frc r2.xy, r2
      mad r2.xy, r2, c10.z, c10.w
      // sine of a phase in [-pi, pi]: a parabola, then one refinement step
      abs r8.xy, r2
      mul r8.xy, r8, r2
      mul r8.xy, r8, c11.y
      mad r8.xy, r2, c11.x, r8
      abs r9.xy, r8
      mad r9.xy, r8, r9, -r8
      mad r3.xy, r9, c11.z, r8
      // q turned: (x cos - y sin, x sin + y cos)
      mul r4.x, r1.x, r3.x
      mad r4.x, r1.y, -r3.y, r4.x
      mul r4.y, r1.x, r3.y
      mad r4.y, r1.y, r3.x, r4.y
      // back to picture units
      mul r4.x, r4.x, c0.z
      mul r4.y, r4.y, c0.w
      add r4.xy, r4, c1
      texld r5, r4, s0
      texld r6, t0, s0
      texld r7, t0, s1
      lrp r8, r7.x, r6, r5
      mov oC0, r8
    };
  }
}
