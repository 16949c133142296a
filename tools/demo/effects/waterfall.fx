// A stream over a region of the picture, drawn over the region's grid (t0 is the picture
// coordinate of each point of the region):
//   "Noise"       the picture bent by a noise map streaming along the flow: with
//                 p = t0 * bump_scale + noise_shift (the noise's own coordinate), the
//                 texel n of "NoiseMap" at p moves the read by (n.xy * 2 - 1) *
//                 noise_amplitude. Drawn opaque.
//   "ColorWaves"  one streaming layer: the picture slid by "shift", with the noise map
//                 slid as far (read at (t0 + shift) * bump_scale; without a noise map it
//                 adds nothing); where the picture's brightness plus the noise's red
//                 passes "treshold" the layer turns to "base_color" (foam). Laid over
//                 what is drawn by its "transluency".
// "Mask" holds the stream back where it is white: the noise leaves the picture
// undisturbed there and the layers lay nothing over it.
float2 noise_shift = {0.0, 0.0};
float2 bump_scale = {1.6, 1.0};
float noise_amplitude = 0.0;
float3 base_color = {0.0, 0.0, 0.0};
float treshold = 1.0;
float2 shift = {0.0, 0.0};
float transluency = 1.0;
texture Mask;
texture Background;
texture NoiseMap;

sampler BackgroundSampler = sampler_state {
  Texture = <Background>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Clamp; AddressV = Clamp;
};
sampler NoiseSampler = sampler_state {
  Texture = <NoiseMap>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Wrap; AddressV = Wrap;
};
sampler MaskSampler = sampler_state {
  Texture = <Mask>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Clamp; AddressV = Clamp;
};

technique Noise {
  pass P0 {
    Lighting = false;
    CullMode = None;
    ZEnable = false;
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (BackgroundSampler);
    Sampler[1] = (NoiseSampler);
    Sampler[2] = (MaskSampler);
    PixelShaderConstantF[0] = <noise_shift>;
    PixelShaderConstantF[1] = <bump_scale>;
    PixelShaderConstantF[2] = <noise_amplitude>;
    PixelShader = asm {
      ps_2_0
      def c10, 2.0, -1.0, 0.0, 1.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      dcl_2d s2
      mad r0.xy, t0, c1, c0
      texld r1, r0, s1
      mad r1.xy, r1, c10.x, c10.y
      mad r2.xy, r1, c2.x, t0
      texld r3, r2, s0
      // the mask lays the undisturbed picture back over the stream
      texld r4, t0, s0
      texld r5, t0, s2
      lrp r6, r5.x, r4, r3
      mov oC0, r6
    };
  }
}

technique ColorWaves {
  pass P0 {
    Lighting = false;
    CullMode = None;
    ZEnable = false;
    AlphaBlendEnable = true;
    BlendOp = Add;
    SrcBlend = SrcAlpha;
    DestBlend = InvSrcAlpha;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (BackgroundSampler);
    Sampler[1] = (NoiseSampler);
    Sampler[2] = (MaskSampler);
    PixelShaderConstantF[0] = <shift>;
    PixelShaderConstantF[1] = <transluency>;
    PixelShaderConstantF[2] = <base_color>;
    PixelShaderConstantF[3] = <treshold>;
    PixelShaderConstantF[4] = <bump_scale>;
    PixelShader = asm {
      ps_2_0
      def c10, 8.0, 0.0, 0.0, 1.0
      def c11, 0.299, 0.587, 0.114, 0.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      dcl_2d s2
      add r0.xy, t0, c0
      texld r1, r0, s0
      mul r6.xy, r0, c4
      texld r7, r6, s1
      texld r2, t0, s2
      // foam where the slid picture's brightness and the noise pass the threshold
      dp3 r3.x, r1, c11
      add r3.x, r3.x, r7.x
      add r3.x, r3.x, -c3.x
      mul_sat r3.x, r3.x, c10.x
      lrp r4.rgb, r3.x, c2, r1
      // laid over by its translucency, nothing where the mask is white
      add r5.x, c10.w, -r2.x
      mul r4.a, c1.x, r5.x
      mov oC0, r4
    };
  }
}
