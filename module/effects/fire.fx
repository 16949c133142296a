// Flames over a region: three scrolling reads of "Noise" (c11, c12, c13) shake the
// flame "Pattern"; the flame strength (Brightness, raised by Density) picks a colour
// between ColorK1 and ColorK1 + ColorK2 and is drawn additively over the scene.
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

technique Main {
  pass P0 {
    Lighting = false;
    AlphaBlendEnable = true;
    BlendOp = Add;
    SrcBlend = SrcAlpha;
    DestBlend = One;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (NoiseSampler);
    Sampler[1] = (PatternSampler);
    PixelShaderConstantF[0] = <c11>;
    PixelShaderConstantF[1] = <c12>;
    PixelShaderConstantF[2] = <c13>;
    PixelShaderConstantF[3] = <ColorK1>;
    PixelShaderConstantF[4] = <ColorK2>;
    PixelShaderConstantF[5] = <Brightness>;
    PixelShaderConstantF[6] = <Density>;
    PixelShader = asm {
      ps_2_0
      def c20, 0.3333333, -0.5, 0.15, 4.0
      def c21, 1.0, 0.5, 0.0, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      add r0.xy, t0, c0
      mul r1.xy, t0, c21.y
      add r1.xy, r1, c1
      add r2.xy, t0, c2
      texld r3, r0, s0
      texld r4, r1, s0
      texld r5, r2, s0
      add r3, r3, r4
      add r3, r3, r5
      mul r3, r3, c20.x
      add r6.x, r3.x, c20.y
      mul r6.x, r6.x, c20.z
      add r7.xy, t0, r6.x
      texld r8, r7, s1
      mul r9.x, r8.a, r3.x
      mul r9.x, r9.x, c5.x
      mul r9.x, r9.x, c20.w
      mov r10.x, c6.x
      add r10.x, r10.x, c21.x
      mul_sat r9.x, r9.x, r10.x
      mov r11.rgb, c3
      mad r11.rgb, c4, r9.x, r11
      mov r11.a, r9.x
      mov oC0, r11
    };
  }
}

technique AsEffect {
  pass P0 {
    Lighting = false;
    AlphaBlendEnable = true;
    BlendOp = Add;
    SrcBlend = SrcAlpha;
    DestBlend = One;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (NoiseSampler);
    Sampler[1] = (PatternSampler);
    PixelShaderConstantF[0] = <c11>;
    PixelShaderConstantF[1] = <c12>;
    PixelShaderConstantF[2] = <c13>;
    PixelShaderConstantF[3] = <ColorK1>;
    PixelShaderConstantF[4] = <ColorK2>;
    PixelShaderConstantF[5] = <Brightness>;
    PixelShaderConstantF[6] = <Density>;
    PixelShader = asm {
      ps_2_0
      def c20, 0.3333333, -0.5, 0.15, 4.0
      def c21, 1.0, 0.5, 0.0, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      add r0.xy, t0, c0
      mul r1.xy, t0, c21.y
      add r1.xy, r1, c1
      add r2.xy, t0, c2
      texld r3, r0, s0
      texld r4, r1, s0
      texld r5, r2, s0
      add r3, r3, r4
      add r3, r3, r5
      mul r3, r3, c20.x
      add r6.x, r3.x, c20.y
      mul r6.x, r6.x, c20.z
      add r7.xy, t0, r6.x
      texld r8, r7, s1
      mul r9.x, r8.a, r3.x
      mul r9.x, r9.x, c5.x
      mul r9.x, r9.x, c20.w
      mov r10.x, c6.x
      add r10.x, r10.x, c21.x
      mul_sat r9.x, r9.x, r10.x
      mov r11.rgb, c3
      mad r11.rgb, c4, r9.x, r11
      mov r11.a, r9.x
      mov oC0, r11
    };
  }
}
