// A rippling water surface: a drifting bump map ("BumpMap", turned and scaled by
// "BampTrans") bends the background, tinted by "Color".
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

technique Main {
  pass P0 {
    Lighting = false;
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (BackgroundSampler);
    Sampler[1] = (BumpSampler);
    PixelShaderConstantF[0] = <Scale>;
    PixelShaderConstantF[1] = <BampTrans>;
    PixelShaderConstantF[2] = <Direction2>;
    PixelShaderConstantF[3] = <Time>;
    PixelShaderConstantF[4] = <Color>;
    PixelShader = asm {
      ps_2_0
      def c10, 2.0, -1.0, 0.0, 1.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      mul r0.xy, t0, c0
      mov r1.xy, c2
      mad r0.xy, r1, c3.x, r0
      texld r2, r0, s1
      mad r2.xy, r2, c10.x, c10.y
      mov r3.x, c1.x
      mov r3.y, c1.z
      mov r4.x, c1.y
      mov r4.y, c1.w
      dp2add r5.x, r2, r3, c10.z
      dp2add r5.y, r2, r4, c10.z
      add r5.xy, r5, t0
      texld r6, r5, s0
      mul r6.rgb, r6, c4
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
    Sampler[1] = (BumpSampler);
    PixelShaderConstantF[0] = <Scale>;
    PixelShaderConstantF[1] = <BampTrans>;
    PixelShaderConstantF[2] = <Direction2>;
    PixelShaderConstantF[3] = <Time>;
    PixelShaderConstantF[4] = <Color>;
    PixelShader = asm {
      ps_2_0
      def c10, 2.0, -1.0, 0.0, 1.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      mul r0.xy, t0, c0
      mov r1.xy, c2
      mad r0.xy, r1, c3.x, r0
      texld r2, r0, s1
      mad r2.xy, r2, c10.x, c10.y
      mov r3.x, c1.x
      mov r3.y, c1.z
      mov r4.x, c1.y
      mov r4.y, c1.w
      dp2add r5.x, r2, r3, c10.z
      dp2add r5.y, r2, r4, c10.z
      add r5.xy, r5, t0
      texld r6, r5, s0
      mul r6.rgb, r6, c4
      mov oC0, r6
    };
  }
}
