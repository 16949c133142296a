#include "platform/effect/EffectParser.h"

#include <d3dx9.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "platform/effect/EffectStates.h"

namespace effect {
namespace {

// Sources larger than this are not effect files; refusing them bounds the work.
constexpr size_t kMaxSourceBytes = 4u << 20;
constexpr DWORD kMaxStage = 15;
constexpr DWORD kMaxConstantRegister = 255;
// Braces of an initialiser nest at most this deep ({{a, b}, {c, d}} is two); a source
// of thousands of '{' must fail, not exhaust the stack.
constexpr int kMaxInitialiserDepth = 4;

struct ParseFailure {
  int line;
  std::string message;
};

bool Equals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

enum class TokenType { End, Ident, Number, String, Punct };

struct Token {
  TokenType type = TokenType::End;
  std::string text;
  double number = 0;
  bool integral = false;
  int line = 1;
};

class Lexer {
 public:
  Lexer(const char* text, size_t size) : text_(text), size_(size) {}

  const Token& Peek() {
    if (!peeked_) {
      token_ = Scan();
      peeked_ = true;
    }
    return token_;
  }

  Token Next() {
    Peek();
    peeked_ = false;
    return token_;
  }

  int line() const { return line_; }

  // The raw text after an opening brace up to its closing brace (asm blocks). Only valid
  // right after the brace was taken with Next().
  std::string RawBlock(int* startLine) {
    *startLine = line_;
    const size_t begin = pos_;
    while (pos_ < size_) {
      const char c = text_[pos_];
      if (c == '}') {
        std::string body(text_ + begin, pos_ - begin);
        ++pos_;
        return body;
      }
      if (c == '\n') ++line_;
      // Shader comments may hold braces; skip them whole.
      if (c == ';' || (c == '/' && pos_ + 1 < size_ && text_[pos_ + 1] == '/')) {
        while (pos_ < size_ && text_[pos_] != '\n') ++pos_;
        continue;
      }
      if (c == '/' && pos_ + 1 < size_ && text_[pos_ + 1] == '*') {
        pos_ += 2;
        while (pos_ + 1 < size_ && !(text_[pos_] == '*' && text_[pos_ + 1] == '/')) {
          if (text_[pos_] == '\n') ++line_;
          ++pos_;
        }
        pos_ += 2;
        continue;
      }
      ++pos_;
    }
    throw ParseFailure{*startLine, "asm block is not closed with '}'"};
  }

 private:
  void SkipSpaceAndComments() {
    while (pos_ < size_) {
      const char c = text_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
      } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
        ++pos_;
      } else if (c == '/' && pos_ + 1 < size_ && text_[pos_ + 1] == '/') {
        while (pos_ < size_ && text_[pos_] != '\n') ++pos_;
      } else if (c == '/' && pos_ + 1 < size_ && text_[pos_ + 1] == '*') {
        const int start = line_;
        pos_ += 2;
        while (true) {
          if (pos_ + 1 >= size_) throw ParseFailure{start, "comment is not closed with '*/'"};
          if (text_[pos_] == '*' && text_[pos_ + 1] == '/') break;
          if (text_[pos_] == '\n') ++line_;
          ++pos_;
        }
        pos_ += 2;
      } else {
        break;
      }
    }
  }

  Token Scan() {
    SkipSpaceAndComments();
    Token t;
    t.line = line_;
    if (pos_ >= size_) return t;
    const char c = text_[pos_];
    const size_t begin = pos_;
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      while (pos_ < size_ && (std::isalnum(static_cast<unsigned char>(text_[pos_])) ||
                              text_[pos_] == '_'))
        ++pos_;
      t.type = TokenType::Ident;
      t.text.assign(text_ + begin, pos_ - begin);
      return t;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) ||
        (c == '.' && pos_ + 1 < size_ && std::isdigit(static_cast<unsigned char>(text_[pos_ + 1])))) {
      return ScanNumber(t);
    }
    if (c == '"') {
      ++pos_;
      while (pos_ < size_ && text_[pos_] != '"' && text_[pos_] != '\n') ++pos_;
      if (pos_ >= size_ || text_[pos_] != '"') throw ParseFailure{line_, "string is not closed"};
      t.type = TokenType::String;
      t.text.assign(text_ + begin + 1, pos_ - begin - 1);
      ++pos_;
      return t;
    }
    if (std::string_view("{}()[]<>=;,:|-").find(c) != std::string_view::npos) {
      ++pos_;
      t.type = TokenType::Punct;
      t.text.assign(1, c);
      return t;
    }
    if (c == '#') throw ParseFailure{line_, "preprocessor directives are outside the effect subset"};
    char shown[8];
    if (std::isprint(static_cast<unsigned char>(c)))
      snprintf(shown, sizeof shown, "'%c'", c);
    else
      snprintf(shown, sizeof shown, "0x%02X", unsigned(static_cast<unsigned char>(c)));
    throw ParseFailure{line_, std::string("unexpected character ") + shown};
  }

  Token ScanNumber(Token& t) {
    const size_t begin = pos_;
    t.type = TokenType::Number;
    if (text_[pos_] == '0' && pos_ + 1 < size_ && (text_[pos_ + 1] == 'x' || text_[pos_ + 1] == 'X')) {
      pos_ += 2;
      const size_t digits = pos_;
      while (pos_ < size_ && std::isxdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
      if (pos_ == digits || pos_ - digits > 8) throw ParseFailure{line_, "bad hexadecimal number"};
      t.text.assign(text_ + begin, pos_ - begin);
      t.number = double(std::strtoul(t.text.c_str() + 2, nullptr, 16));
      t.integral = true;
      return t;
    }
    bool fraction = false;
    while (pos_ < size_ && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    if (pos_ < size_ && text_[pos_] == '.') {
      fraction = true;
      ++pos_;
      while (pos_ < size_ && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    }
    if (pos_ < size_ && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
      size_t p = pos_ + 1;
      if (p < size_ && (text_[p] == '+' || text_[p] == '-')) ++p;
      if (p < size_ && std::isdigit(static_cast<unsigned char>(text_[p]))) {
        fraction = true;
        pos_ = p;
        while (pos_ < size_ && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
      }
    }
    t.text.assign(text_ + begin, pos_ - begin);
    t.number = std::strtod(t.text.c_str(), nullptr);
    if (pos_ < size_ && (text_[pos_] == 'f' || text_[pos_] == 'F' || text_[pos_] == 'h' ||
                         text_[pos_] == 'H')) {
      fraction = true;
      ++pos_;
    }
    if (!std::isfinite(t.number)) throw ParseFailure{line_, "number out of range"};
    t.integral = !fraction;
    return t;
  }

  const char* text_;
  size_t size_;
  size_t pos_ = 0;
  int line_ = 1;
  Token token_;
  bool peeked_ = false;
};

std::string Describe(const Token& t) {
  switch (t.type) {
    case TokenType::End: return "the end of the source";
    case TokenType::String: return "a string";
    default: return "'" + t.text + "'";
  }
}

class Parser {
 public:
  Parser(const char* text, size_t size, Description* out) : lex_(text, size), out_(out) {}

  void Run() {
    while (true) {
      const Token& t = lex_.Peek();
      if (t.type == TokenType::End) break;
      if (IsPunct(t, ";")) {
        lex_.Next();
        continue;
      }
      if (t.type != TokenType::Ident) Fail(t, "unexpected " + Describe(t));
      if (Equals(t.text, "technique")) {
        ParseTechnique();
      } else if (Equals(t.text, "sampler") || Equals(t.text, "sampler2D")) {
        ParseSampler();
      } else {
        ParseParameter();
      }
    }
  }

 private:
  [[noreturn]] void Fail(const Token& at, const std::string& message) {
    throw ParseFailure{at.line, message};
  }

  static bool IsPunct(const Token& t, const char* p) {
    return t.type == TokenType::Punct && t.text == p;
  }

  void Expect(const char* punct) {
    Token t = lex_.Next();
    if (!IsPunct(t, punct)) Fail(t, std::string("expected '") + punct + "' but found " + Describe(t));
  }

  Token ExpectIdent(const char* what) {
    Token t = lex_.Next();
    if (t.type != TokenType::Ident) Fail(t, std::string("expected ") + what + " but found " + Describe(t));
    return t;
  }

  // Names are looked up in indexes, so that a source of many declarations costs no more
  // than its length.
  bool NameTaken(const std::string& name) const {
    return paramIndex_.count(name) != 0 || samplerIndex_.count(name) != 0;
  }

  static int Lookup(const std::unordered_map<std::string, int>& index, const std::string& name) {
    const auto found = index.find(name);
    return found == index.end() ? -1 : found->second;
  }

  int FindParam(const std::string& name) const { return Lookup(paramIndex_, name); }
  int FindSampler(const std::string& name) const { return Lookup(samplerIndex_, name); }

  // Skips an annotation block "< type name = value; ... >" when one follows.
  void SkipAnnotations() {
    if (!IsPunct(lex_.Peek(), "<")) return;
    const Token open = lex_.Next();
    while (true) {
      const Token t = lex_.Next();
      if (IsPunct(t, ">")) return;
      if (t.type == TokenType::End) Fail(open, "annotation is not closed with '>'");
      if (t.type != TokenType::Ident) Fail(t, "expected an annotation type but found " + Describe(t));
      ExpectIdent("an annotation name");
      Expect("=");
      int values = 0;
      while (true) {
        const Token v = lex_.Next();
        if (IsPunct(v, ";")) break;
        if (v.type == TokenType::End || IsPunct(v, ">"))
          Fail(v, "annotation value is not ended with ';'");
        ++values;
      }
      if (values == 0) Fail(t, "annotation has no value");
    }
  }

  // A signed number (a '-' may precede it).
  double ParseNumber() {
    Token t = lex_.Next();
    bool negative = false;
    if (IsPunct(t, "-")) {
      negative = true;
      t = lex_.Next();
    }
    if (t.type == TokenType::Ident && (Equals(t.text, "true") || Equals(t.text, "false")))
      return Equals(t.text, "true") ? 1.0 : 0.0;
    if (t.type != TokenType::Number) Fail(t, "expected a number but found " + Describe(t));
    return negative ? -t.number : t.number;
  }

  // Numbers of an initialiser: a scalar, {a, b, ...} (nested braces flatten), or
  // floatN(a, b, ...).
  void ParseNumberList(std::vector<double>* values, int depth = 0) {
    const Token& t = lex_.Peek();
    if (IsPunct(t, "{")) {
      if (depth == kMaxInitialiserDepth) Fail(t, "initialiser braces nest too deep");
      lex_.Next();
      if (IsPunct(lex_.Peek(), "}")) Fail(lex_.Peek(), "empty initialiser");
      while (true) {
        ParseNumberList(values, depth + 1);
        if (values->size() > 16) Fail(t, "too many values in initialiser");
        const Token sep = lex_.Next();
        if (IsPunct(sep, "}")) break;
        if (!IsPunct(sep, ",")) Fail(sep, "expected ',' or '}' but found " + Describe(sep));
        if (IsPunct(lex_.Peek(), "}")) {  // a trailing comma
          lex_.Next();
          break;
        }
      }
      return;
    }
    if (t.type == TokenType::Ident && !Equals(t.text, "true") && !Equals(t.text, "false")) {
      const Token type = lex_.Next();
      if (!Equals(type.text, "float") && !Equals(type.text, "float2") && !Equals(type.text, "float3") &&
          !Equals(type.text, "float4") && !Equals(type.text, "float4x4"))
        Fail(type, "'" + type.text + "' is outside the effect subset in an initialiser");
      Expect("(");
      while (true) {
        values->push_back(ParseNumber());
        if (values->size() > 16) Fail(type, "too many values in initialiser");
        const Token sep = lex_.Next();
        if (IsPunct(sep, ")")) break;
        if (!IsPunct(sep, ",")) Fail(sep, "expected ',' or ')' but found " + Describe(sep));
      }
      return;
    }
    values->push_back(ParseNumber());
  }

  void ParseParameter() {
    Token type = lex_.Next();
    bool rowMajor = false, majorGiven = false;
    if (Equals(type.text, "row_major") || Equals(type.text, "column_major")) {
      rowMajor = Equals(type.text, "row_major");
      majorGiven = true;
      type = ExpectIdent("a type");
    }
    Param p;
    p.line = type.line;
    if (Equals(type.text, "float") || Equals(type.text, "float1")) p.type = ParamType::Float;
    else if (Equals(type.text, "float2")) p.type = ParamType::Float2;
    else if (Equals(type.text, "float3")) p.type = ParamType::Float3;
    else if (Equals(type.text, "float4")) p.type = ParamType::Float4;
    else if (Equals(type.text, "float4x4") || Equals(type.text, "matrix")) p.type = ParamType::Float4x4;
    else if (Equals(type.text, "texture") || Equals(type.text, "texture2D")) p.type = ParamType::Texture;
    else if (Equals(type.text, "static") || Equals(type.text, "uniform") || Equals(type.text, "shared") ||
             Equals(type.text, "const") || Equals(type.text, "extern") || Equals(type.text, "volatile"))
      Fail(type, "qualifier '" + type.text + "' is outside the effect subset");
    else
      Fail(type, "'" + type.text + "' is outside the effect subset (expected a parameter, sampler or technique)");
    if (majorGiven && p.type != ParamType::Float4x4) Fail(type, "row_major/column_major need float4x4");
    p.rowMajor = rowMajor;

    const Token name = ExpectIdent("a parameter name");
    if (IsPunct(lex_.Peek(), "("))
      Fail(lex_.Peek(), "HLSL functions are outside the effect subset (write shaders as asm blocks)");
    if (IsPunct(lex_.Peek(), "[")) Fail(lex_.Peek(), "parameter arrays are outside the effect subset");
    if (NameTaken(name.text)) Fail(name, "'" + name.text + "' is declared twice");
    p.name = name.text;

    if (IsPunct(lex_.Peek(), ":")) {
      lex_.Next();
      const Token semantic = ExpectIdent("a semantic");
      if (Equals(semantic.text, "register")) Fail(semantic, "register bindings are outside the effect subset");
    }
    SkipAnnotations();
    if (IsPunct(lex_.Peek(), "=")) {
      const Token eq = lex_.Next();
      if (p.type == ParamType::Texture) Fail(eq, "a texture parameter takes no initialiser");
      std::vector<double> values;
      ParseNumberList(&values);
      const size_t n = p.type == ParamType::Float4x4 ? 16 : size_t(int(p.type) + 1);
      if (values.size() == 1) {
        for (size_t i = 0; i < n; ++i) p.value[i] = float(values[0]);
      } else if (values.size() == n) {
        for (size_t i = 0; i < n; ++i) p.value[i] = float(values[i]);
      } else {
        Fail(eq, "'" + p.name + "' needs " + std::to_string(n) + " values, the initialiser has " +
                     std::to_string(values.size()));
      }
    }
    Expect(";");
    paramIndex_.emplace(p.name, int(out_->params.size()));
    out_->params.push_back(std::move(p));
  }

  // "<name>" or "(name)": a reference to a parameter or sampler.
  Token ParseReference() {
    const Token open = lex_.Next();
    const char* close = IsPunct(open, "<") ? ">" : IsPunct(open, "(") ? ")" : nullptr;
    if (!close) Fail(open, "expected <name> or (name) but found " + Describe(open));
    const Token name = ExpectIdent("a name");
    Expect(close);
    return name;
  }

  int ParseTextureReference() {
    const Token& t = lex_.Peek();
    if (t.type == TokenType::Ident && Equals(t.text, "null")) {
      lex_.Next();
      return -1;
    }
    const Token name = ParseReference();
    const int index = FindParam(name.text);
    if (index < 0) Fail(name, "unknown texture parameter '" + name.text + "'");
    if (out_->params[index].type != ParamType::Texture)
      Fail(name, "'" + name.text + "' is not a texture parameter");
    return index;
  }

  DWORD ParseStateValue(const StateInfo& info) {
    const Token& first = lex_.Peek();
    if (IsPunct(first, "<") || IsPunct(first, "("))
      Fail(first, "parameter references for '" + std::string(info.name) + "' are outside the effect subset");
    if (info.value == ValueKind::Float) {
      const float f = float(ParseNumber());
      DWORD bits;
      memcpy(&bits, &f, sizeof bits);
      return bits;
    }
    DWORD result = 0;
    while (true) {
      Token t = lex_.Peek();
      if (t.type == TokenType::Ident) {
        lex_.Next();
        DWORD v = 0;
        if (!FindStateValue(info.value, t.text, &v))
          Fail(t, "'" + t.text + "' is not a value of " + info.name);
        result |= v;
      } else {
        const double d = ParseNumber();
        if (d != std::floor(d) || d < -2147483648.0 || d > 4294967295.0)
          Fail(t, std::string(info.name) + " needs a whole number");
        result |= d < 0 ? DWORD(LONG(d)) : DWORD(d);
      }
      if (!IsPunct(lex_.Peek(), "|")) break;
      lex_.Next();
    }
    return result;
  }

  void ParseSampler() {
    lex_.Next();  // sampler / sampler2D
    const Token name = ExpectIdent("a sampler name");
    if (NameTaken(name.text)) Fail(name, "'" + name.text + "' is declared twice");
    Sampler s;
    s.name = name.text;
    SkipAnnotations();
    Expect("=");
    const Token kw = ExpectIdent("sampler_state");
    if (!Equals(kw.text, "sampler_state")) Fail(kw, "a sampler must be initialised with sampler_state { ... }");
    Expect("{");
    while (true) {
      const Token t = lex_.Next();
      if (IsPunct(t, "}")) break;
      if (t.type != TokenType::Ident) Fail(t, "expected a sampler state but found " + Describe(t));
      Expect("=");
      if (Equals(t.text, "Texture")) {
        s.texture = ParseTextureReference();
      } else {
        const StateInfo* info = FindState(t.text);
        if (!info || info->kind != StateKind::Sampler)
          Fail(t, "'" + t.text + "' is not a sampler state of the effect subset");
        s.states.push_back({info->state, ParseStateValue(*info)});
      }
      Expect(";");
    }
    Expect(";");
    samplerIndex_.emplace(s.name, int(out_->samplers.size()));
    out_->samplers.push_back(std::move(s));
  }

  // The assembler numbers lines from the start of the asm block ("Line 2: ..."); the
  // messages are rewritten with the effect file's own line numbers, and *first gets the
  // first line named.
  static std::string ToSourceLines(const std::string& messages, int blockLine, int* first) {
    std::string out;
    bool found = false;
    size_t i = 0;
    while (i < messages.size()) {
      if (messages.compare(i, 5, "Line ") == 0 && i + 5 < messages.size() &&
          std::isdigit(static_cast<unsigned char>(messages[i + 5]))) {
        size_t j = i + 5;
        long n = 0;
        while (j < messages.size() && std::isdigit(static_cast<unsigned char>(messages[j])) && n < 1000000)
          n = n * 10 + (messages[j++] - '0');
        const int absolute = blockLine + int(n) - 1;
        if (!found) {
          *first = absolute;
          found = true;
        }
        out += "line " + std::to_string(absolute);
        i = j;
      } else {
        out += messages[i++];
      }
    }
    return out;
  }

  int ParseShader(bool pixel) {
    const Token kw = lex_.Next();
    if (kw.type == TokenType::Ident && (Equals(kw.text, "null") || Equals(kw.text, "NULL"))) return -1;
    if (kw.type == TokenType::Ident && Equals(kw.text, "compile"))
      Fail(kw, "compiled HLSL shaders are outside the effect subset (write shaders as asm blocks)");
    if (kw.type != TokenType::Ident || !Equals(kw.text, "asm"))
      Fail(kw, "expected asm { ... } or null but found " + Describe(kw));
    Expect("{");
    int line = 0;
    const std::string body = lex_.RawBlock(&line);

    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* messages = nullptr;
    const HRESULT hr = D3DXAssembleShader(body.data(), UINT(body.size()), nullptr, nullptr, 0, &code, &messages);
    std::string detail;
    if (messages) {
      detail.assign(static_cast<const char*>(messages->GetBufferPointer()), messages->GetBufferSize());
      while (!detail.empty() && (detail.back() == '\0' || detail.back() == '\n' || detail.back() == '\r'))
        detail.pop_back();
      messages->Release();
    }
    if (FAILED(hr) || !code) {
      if (code) code->Release();
      int failing = line;
      detail = ToSourceLines(detail, line, &failing);
      throw ParseFailure{failing, "shader does not assemble" + (detail.empty() ? std::string() : ": " + detail)};
    }
    Shader sh;
    sh.pixel = pixel;
    sh.line = line;
    const DWORD words = code->GetBufferSize() / sizeof(DWORD);
    const DWORD* p = static_cast<const DWORD*>(code->GetBufferPointer());
    sh.code.assign(p, p + words);
    code->Release();
    sh.version = sh.code.empty() ? 0 : sh.code[0];
    const bool isPixel = (sh.version & 0xFFFF0000u) == 0xFFFF0000u;
    const bool isVertex = (sh.version & 0xFFFF0000u) == 0xFFFE0000u;
    if (pixel && !isPixel) throw ParseFailure{line, "PixelShader needs a ps_ shader"};
    if (!pixel && !isVertex) throw ParseFailure{line, "VertexShader needs a vs_ shader"};
    out_->shaders.push_back(std::move(sh));
    return int(out_->shaders.size() - 1);
  }

  DWORD ParseIndex(const Token& name, DWORD max) {
    Expect("[");
    const Token t = lex_.Next();
    if (t.type != TokenType::Number || !t.integral || t.number < 0 || t.number > max)
      Fail(t, name.text + "[...] needs an index from 0 to " + std::to_string(max));
    Expect("]");
    return DWORD(t.number);
  }

  void ParseAssignment(Pass* pass, const Token& name) {
    const bool indexed = IsPunct(lex_.Peek(), "[");
    Assignment a;
    auto needIndex = [&](DWORD max) {
      if (!indexed) Fail(name, name.text + " needs a stage or register index, as in " + name.text + "[0]");
      a.index = ParseIndex(name, max);
    };
    auto noIndex = [&]() {
      if (indexed) Fail(name, name.text + " takes no index");
    };

    if (Equals(name.text, "VertexShader") || Equals(name.text, "PixelShader")) {
      noIndex();
      Expect("=");
      const bool pixel = Equals(name.text, "PixelShader");
      a.kind = pixel ? AssignKind::PixelShader : AssignKind::VertexShader;
      a.ref = ParseShader(pixel);
    } else if (Equals(name.text, "Sampler")) {
      needIndex(kMaxStage);
      Expect("=");
      const Token ref = ParseReference();
      a.kind = AssignKind::SamplerBind;
      a.ref = FindSampler(ref.text);
      if (a.ref < 0) Fail(ref, "unknown sampler '" + ref.text + "'");
    } else if (Equals(name.text, "Texture")) {
      needIndex(kMaxStage);
      Expect("=");
      a.kind = AssignKind::TextureBind;
      a.ref = ParseTextureReference();
    } else if (Equals(name.text, "VertexShaderConstantF") || Equals(name.text, "PixelShaderConstantF")) {
      needIndex(kMaxConstantRegister);
      Expect("=");
      const Token ref = ParseReference();
      a.kind = Equals(name.text, "PixelShaderConstantF") ? AssignKind::PixelConstant : AssignKind::VertexConstant;
      a.ref = FindParam(ref.text);
      if (a.ref < 0) Fail(ref, "unknown parameter '" + ref.text + "'");
      const ParamType type = out_->params[a.ref].type;
      if (type == ParamType::Texture) Fail(ref, "'" + ref.text + "' is a texture, not a number");
      if (a.index + RegisterCount(type) > kMaxConstantRegister + 1)
        Fail(ref, "'" + ref.text + "' does not fit below register " + std::to_string(kMaxConstantRegister + 1));
    } else {
      const StateInfo* info = FindState(name.text);
      if (!info) Fail(name, "'" + name.text + "' is not a state of the effect subset");
      switch (info->kind) {
        case StateKind::Render:
          noIndex();
          a.kind = AssignKind::RenderState;
          break;
        case StateKind::Sampler:
          needIndex(kMaxStage);
          a.kind = AssignKind::SamplerState;
          break;
        case StateKind::TextureStage:
          needIndex(7);
          a.kind = AssignKind::StageState;
          break;
      }
      Expect("=");
      a.state = info->state;
      a.value = ParseStateValue(*info);
    }
    Expect(";");
    pass->assignments.push_back(a);
  }

  void ParseTechnique() {
    lex_.Next();  // technique
    Technique tech;
    if (lex_.Peek().type == TokenType::Ident) tech.name = lex_.Next().text;
    if (!tech.name.empty() && !techniqueNames_.insert(tech.name).second)
      Fail(lex_.Peek(), "technique '" + tech.name + "' is declared twice");
    SkipAnnotations();
    Expect("{");
    while (true) {
      const Token t = lex_.Next();
      if (IsPunct(t, "}")) break;
      if (t.type != TokenType::Ident || !Equals(t.text, "pass"))
        Fail(t, "expected 'pass' or '}' but found " + Describe(t));
      Pass pass;
      if (lex_.Peek().type == TokenType::Ident) pass.name = lex_.Next().text;
      SkipAnnotations();
      Expect("{");
      while (true) {
        const Token a = lex_.Next();
        if (IsPunct(a, "}")) break;
        if (a.type != TokenType::Ident) Fail(a, "expected a state assignment but found " + Describe(a));
        ParseAssignment(&pass, a);
      }
      tech.passes.push_back(std::move(pass));
    }
    out_->techniques.push_back(std::move(tech));
  }

  Lexer lex_;
  Description* out_;
  std::unordered_map<std::string, int> paramIndex_;
  std::unordered_map<std::string, int> samplerIndex_;
  std::unordered_set<std::string> techniqueNames_;
};

}  // namespace

UINT RegisterCount(ParamType type) {
  switch (type) {
    case ParamType::Float4x4: return 4;
    case ParamType::Texture: return 0;
    default: return 1;
  }
}

bool ParseEffect(const char* text, size_t size, Description* out, std::string* error) {
  *out = Description();
  if (error) error->clear();
  if (!text) size = 0;
  // Resources are often padded with NULs; the text ends at the first one.
  // Only as far as the size limit: a buffer that holds no NUL may be much longer.
  size_t length = 0;
  while (length < size && length <= kMaxSourceBytes && text[length] != '\0') ++length;
  if (length > kMaxSourceBytes) {
    if (error) *error = "line 1: effect source is larger than 4 MB";
    return false;
  }
  size_t start = 0;
  if (length >= 3 && static_cast<unsigned char>(text[0]) == 0xEF &&
      static_cast<unsigned char>(text[1]) == 0xBB && static_cast<unsigned char>(text[2]) == 0xBF)
    start = 3;
  try {
    Parser parser(text + start, length - start, out);
    parser.Run();
  } catch (const ParseFailure& f) {
    if (error) *error = "line " + std::to_string(f.line) + ": " + f.message;
    *out = Description();
    return false;
  }
  if (out->techniques.empty()) {
    if (error) *error = "line 1: the effect has no technique";
    return false;
  }
  return true;
}

}  // namespace effect
