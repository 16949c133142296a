// Flames over a region. Three reads of "Noise" scroll up the flames at the rates of c11,
// c12 and c13 (each read at its own zoom); their mean n shakes the flame "Pattern" and
// shapes it: s = pattern alpha x n x 2. The coverage k = saturate(s x (Density + 1))
// picks the colour ColorK1 + ColorK2 x k, and the intensity saturate(k x Brightness / 0.3)
// scales it.
//
// "Main" draws over the region grid, whose vertices are picture pixels placed by
// WorldViewProj. Mask and Background are read where the pixel shows the picture: the
// vertex through ViewProj (the stage without its zoom and pan) gives the screen point,
// and bg_scale_factor (screen over picture) turns it into picture coordinates. The flame
// f is added as a screen blend over the background B, held back where the mask m is
// white: the target gets f x (1 - B) x (1 - m) added, which over the background itself
// is lerp(B + f x (1 - B), B, m).
//
// "AsEffect" (a layer's own fire quad) adds the flame over whatever lies below.
float4x4 WorldViewProj;
float4x4 ViewProj;
float2 c11 = {0.0, 0.0};
float2 c12 = {0.0, 0.0};
float2 c13 = {0.0, 0.0};
float2 bg_scale_factor = {1.0, 1.0};
float3 ColorK1 = {1.0, 0.0, 0.0};
float3 ColorK2 = {0.0, 1.0, 0.0};
float Brightness = 0.3;
float Density = 0.0;
texture Noise;
texture Pattern;
texture Mask;
texture Background;

sampler NoiseSampler = sampler_state {
  Texture = <Noise>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Wrap; AddressV = Wrap;
};
sampler PatternSampler = sampler_state {
  Texture = <Pattern>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Wrap; AddressV = Clamp;
};
sampler MaskSampler = sampler_state {
  Texture = <Mask>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Clamp; AddressV = Clamp;
};
sampler BackgroundSampler = sampler_state {
  Texture = <Background>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Clamp; AddressV = Clamp;
};

technique Main {
  pass P0 {
    Lighting = false;
    CullMode = None;
    ZEnable = false;
    AlphaBlendEnable = true;
    BlendOp = Add;
    SrcBlend = One;
    DestBlend = One;
    Sampler[0] = (NoiseSampler);
    Sampler[1] = (PatternSampler);
    Sampler[2] = (MaskSampler);
    Sampler[3] = (BackgroundSampler);
    VertexShaderConstantF[0] = <WorldViewProj>;
    VertexShaderConstantF[4] = <ViewProj>;
    VertexShaderConstantF[8] = <bg_scale_factor>;
    PixelShaderConstantF[0] = <c11>;
    PixelShaderConstantF[1] = <c12>;
    PixelShaderConstantF[2] = <c13>;
    PixelShaderConstantF[3] = <ColorK1>;
    PixelShaderConstantF[4] = <ColorK2>;
    PixelShaderConstantF[5] = <Brightness>;
    PixelShaderConstantF[6] = <Density>;
    VertexShader = asm {
      vs_2_0
      def c10, 0.5, -0.5, 0.0, 1.0
      dcl_position v0
      dcl_texcoord v1
      m4x4 oPos, v0, c0
      // the screen point of the picture position: clip x, y to 0..1 about the centre
      m4x4 r0, v0, c4
      rcp r1.x, r0.w
      mul r0.xy, r0, r1.x
      mul r0.xy, r0, c10
      mul r0.xy, r0, c8
      add r2.xy, r0, c10.x
      mov r2.zw, c10.zzzw
      mov oT0, v1
      mov oT1, r2
    };
    PixelShader = asm {
      ps_2_0
      def c20, 0.5, 2.0, 0.3, 3.3333333
      def c21, 1.0, 0.0, 0.3333333, 0.0
      dcl t0.xy
      dcl t1.xy
      dcl_2d s0
      dcl_2d s1
      dcl_2d s2
      dcl_2d s3
      // three noise reads at zooms 1, 1/2 and 2, each scrolled by its clock
      add r0.xy, t0, c0
      mul r1.xy, t0, c20.x
      add r1.xy, r1, c1
      mul r2.xy, t0, c20.y
      add r2.xy, r2, c2
      texld r3, r0, s0
      texld r4, r1, s0
      texld r5, r2, s0
      texld r9, t1, s2
      texld r10, t1, s3
      add r3.x, r3.x, r4.x
      add r3.x, r3.x, r5.x
      mul r3.x, r3.x, c21.z
      // the pattern, shaken by the noise
      add r6.x, r3.x, -c20.x
      mad r7.xy, r6.x, c20.z, t0
      texld r8, r7, s1
      // coverage, intensity and colour
      mul r8.x, r8.w, r3.x
      mul r8.x, r8.x, c20.y
      add r11.x, c6.x, c21.x
      mul_sat r8.x, r8.x, r11.x
      mul r11.x, r8.x, c5.x
      mul_sat r11.x, r11.x, c20.w
      mov r12.rgb, c3
      mad r12.rgb, c4, r8.x, r12
      mul r12.rgb, r12, r11.x
      // screen over the background, held back by the mask
      add r13.rgb, c21.x, -r10
      mul r12.rgb, r12, r13
      add r13.x, c21.x, -r9.x
      mul r12.rgb, r12, r13.x
      mov r12.a, c21.y
      mov oC0, r12
    };
  }
}

technique AsEffect {
  pass P0 {
    Lighting = false;
    CullMode = None;
    ZEnable = false;
    AlphaBlendEnable = true;
    BlendOp = Add;
    SrcBlend = One;
    DestBlend = One;
    Sampler[0] = (NoiseSampler);
    Sampler[1] = (PatternSampler);
    VertexShaderConstantF[0] = <WorldViewProj>;
    PixelShaderConstantF[0] = <c11>;
    PixelShaderConstantF[1] = <c12>;
    PixelShaderConstantF[2] = <c13>;
    PixelShaderConstantF[3] = <ColorK1>;
    PixelShaderConstantF[4] = <ColorK2>;
    PixelShaderConstantF[5] = <Brightness>;
    PixelShaderConstantF[6] = <Density>;
    VertexShader = asm {
      vs_2_0
      dcl_position v0
      dcl_texcoord v1
      m4x4 oPos, v0, c0
      mov oT0, v1
    };
    PixelShader = asm {
      ps_2_0
      def c20, 0.5, 2.0, 0.3, 3.3333333
      def c21, 1.0, 0.0, 0.3333333, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      add r0.xy, t0, c0
      mul r1.xy, t0, c20.x
      add r1.xy, r1, c1
      mul r2.xy, t0, c20.y
      add r2.xy, r2, c2
      texld r3, r0, s0
      texld r4, r1, s0
      texld r5, r2, s0
      add r3.x, r3.x, r4.x
      add r3.x, r3.x, r5.x
      mul r3.x, r3.x, c21.z
      add r6.x, r3.x, -c20.x
      mad r7.xy, r6.x, c20.z, t0
      texld r8, r7, s1
      mul r8.x, r8.w, r3.x
      mul r8.x, r8.x, c20.y
      add r11.x, c6.x, c21.x
      mul_sat r8.x, r8.x, r11.x
      mul r11.x, r8.x, c5.x
      mul_sat r11.x, r11.x, c20.w
      mov r12.rgb, c3
      mad r12.rgb, c4, r8.x, r12
      mul r12.rgb, r12, r11.x
      mov r12.a, c21.y
      mov oC0, r12
    };
  }
}
