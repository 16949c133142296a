// A picture drawn in a colour ("Color", alpha included) over the scene.
texture Texture;
float4 Color = {1.0, 1.0, 1.0, 1.0};

sampler TextureSampler = sampler_state {
  Texture = <Texture>;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
  AddressU = Clamp; AddressV = Clamp;
};

technique Blend_Normal {
  pass P0 {
    Lighting = false;
    AlphaBlendEnable = true;
    SrcBlend = SrcAlpha;
    DestBlend = InvSrcAlpha;
    BlendOp = Add;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (TextureSampler);
    PixelShaderConstantF[0] = <Color>;
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl_2d s0
      texld r0, t0, s0
      mul r0, r0, c0
      mov oC0, r0
    };
  }
}
