#include "logo_image/shift_jis.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace logo {
namespace {

struct DoubleByteForm {
  char32_t codePoint;
  std::uint16_t shiftJis;
};

// The full-width characters that the suite's console texts use, sorted by
// code point. A text with a character missing here fails its byte test.
constexpr DoubleByteForm kDoubleByteForms[] = {
    {0x3001, 0x8141},  // 、
    {0x3002, 0x8142},  // 。
    {0x3042, 0x82A0},  // あ
    {0x3044, 0x82A2},  // い
    {0x3046, 0x82A4},  // う
    {0x304B, 0x82A9},  // か
    {0x304D, 0x82AB},  // き
    {0x3051, 0x82AF},  // け
    {0x3055, 0x82B3},  // さ
    {0x3057, 0x82B5},  // し
    {0x3059, 0x82B7},  // す
    {0x305D, 0x82BB},  // そ
    {0x305F, 0x82BD},  // た
    {0x3060, 0x82BE},  // だ
    {0x3066, 0x82C4},  // て
    {0x3067, 0x82C5},  // で
    {0x3068, 0x82C6},  // と
    {0x306A, 0x82C8},  // な
    {0x306B, 0x82C9},  // に
    {0x306E, 0x82CC},  // の
    {0x306F, 0x82CD},  // は
    {0x307E, 0x82DC},  // ま
    {0x3088, 0x82E6},  // よ
    {0x308B, 0x82E9},  // る
    {0x308C, 0x82EA},  // れ
    {0x3092, 0x82F0},  // を
    {0x30A1, 0x8340},  // ァ
    {0x30A2, 0x8341},  // ア
    {0x30A4, 0x8343},  // イ
    {0x30AA, 0x8349},  // オ
    {0x30B7, 0x8356},  // シ
    {0x30BF, 0x835E},  // タ
    {0x30C3, 0x8362},  // ッ
    {0x30C8, 0x8367},  // ト
    {0x30C9, 0x8368},  // ド
    {0x30CB, 0x836A},  // ニ
    {0x30D1, 0x8370},  // パ
    {0x30D5, 0x8374},  // フ
    {0x30D7, 0x8376},  // プ
    {0x30E1, 0x8381},  // メ
    {0x30E2, 0x8382},  // モ
    {0x30E7, 0x8387},  // ョ
    {0x30E9, 0x8389},  // ラ
    {0x30EB, 0x838B},  // ル
    {0x30EC, 0x838C},  // レ
    {0x30F3, 0x8393},  // ン
    {0x30FC, 0x815B},  // ー
    {0x4E0B, 0x89BA},  // 下
    {0x4E0D, 0x9573},  // 不
    {0x4E2D, 0x9286},  // 中
    {0x4EE5, 0x88C8},  // 以
    {0x4EFB, 0x9443},  // 任
    {0x4F55, 0x89BD},  // 何
    {0x4F5C, 0x8DEC},  // 作
    {0x5024, 0x926C},  // 値
    {0x5143, 0x8CB3},  // 元
    {0x5165, 0x93FC},  // 入
    {0x518D, 0x8DC4},  // 再
    {0x5206, 0x95AA},  // 分
    {0x524D, 0x914F},  // 前
    {0x529B, 0x97CD},  // 力
    {0x52D5, 0x93AE},  // 動
    {0x5316, 0x89BB},  // 化
    {0x53C2, 0x8E51},  // 参
    {0x53F7, 0x8D86},  // 号
    {0x5408, 0x8D87},  // 合
    {0x540D, 0x96BC},  // 名
    {0x5728, 0x8DDD},  // 在
    {0x5834, 0x8FEA},  // 場
    {0x5909, 0x95CF},  // 変
    {0x5B9A, 0x92E8},  // 定
    {0x5B9F, 0x8EC0},  // 実
    {0x5E38, 0x8FED},  // 常
    {0x5F93, 0x8F5D},  // 従
    {0x610F, 0x88D3},  // 意
    {0x6210, 0x90AC},  // 成
    {0x6307, 0x8E77},  // 指
    {0x63A5, 0x90DA},  // 接
    {0x6570, 0x9094},  // 数
    {0x65B0, 0x9056},  // 新
    {0x660E, 0x96BE},  // 明
    {0x6642, 0x8E9E},  // 時
    {0x66F4, 0x8D58},  // 更
    {0x691C, 0x8C9F},  // 検
    {0x6C42, 0x8B81},  // 求
    {0x7167, 0x8FC6},  // 照
    {0x73FE, 0x8CBB},  // 現
    {0x753B, 0x89E6},  // 画
    {0x756A, 0x94D4},  // 番
    {0x76EE, 0x96DA},  // 目
    {0x76F4, 0x92BC},  // 直
    {0x78BA, 0x8A6D},  // 確
    {0x793A, 0x8EA6},  // 示
    {0x7D22, 0x8DF5},  // 索
    {0x7DD1, 0x97CE},  // 緑
    {0x7DE8, 0x95D2},  // 編
    {0x8272, 0x9046},  // 色
    {0x884C, 0x8D73},  // 行
    {0x8868, 0x955C},  // 表
    {0x8981, 0x9776},  // 要
    {0x8A18, 0x8B4C},  // 記
    {0x8A8D, 0x9446},  // 認
    {0x8AAC, 0x90E0},  // 説
    {0x8D64, 0x90D4},  // 赤
    {0x8D77, 0x8B4E},  // 起
    {0x901A, 0x92CA},  // 通
    {0x9032, 0x9069},  // 進
    {0x914D, 0x947A},  // 配
    {0x9664, 0x8F9C},  // 除
    {0x96C6, 0x8F57},  // 集
    {0x9752, 0x90C2},  // 青
    {0x9762, 0x96CA},  // 面
};

constexpr bool isSorted() {
  for (std::size_t i = 1; i < std::size(kDoubleByteForms); ++i) {
    if (kDoubleByteForms[i - 1].codePoint >= kDoubleByteForms[i].codePoint) return false;
  }
  return true;
}
static_assert(isSorted());

// Half-width katakana occupy one byte, in the same order as in Unicode.
constexpr char32_t kHalfWidthFirst = 0xFF61;
constexpr char32_t kHalfWidthLast = 0xFF9F;
constexpr unsigned kHalfWidthFirstByte = 0xA1;

struct Decoded {
  char32_t code;
  std::size_t length;  // in bytes
};

// Decodes the UTF-8 sequence at the start of `text`. An invalid sequence
// decodes as U+FFFD, one byte long.
Decoded decodeUtf8(std::string_view text) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  constexpr Decoded kInvalid{0xFFFD, 1};
  unsigned char lead = byte(0);
  if (lead < 0x80) return {lead, 1};
  std::size_t extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  if (extra == 0 || extra >= text.size()) return kInvalid;
  char32_t code = lead & (0x3F >> extra);
  for (std::size_t i = 1; i <= extra; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return kInvalid;
    code = (code << 6) | (byte(i) & 0x3F);
  }
  return {code, extra + 1};
}

struct Encoded {
  unsigned char bytes[2];
  std::size_t count;  // 1 or 2, or 0 when the character has no form here
};

Encoded encodeShiftJis(char32_t code) {
  if (code < 0x80) return {{static_cast<unsigned char>(code)}, 1};
  if (code >= kHalfWidthFirst && code <= kHalfWidthLast) {
    return {{static_cast<unsigned char>(kHalfWidthFirstByte + (code - kHalfWidthFirst))}, 1};
  }
  auto found = std::lower_bound(
      std::begin(kDoubleByteForms), std::end(kDoubleByteForms), code,
      [](const DoubleByteForm& form, char32_t wanted) { return form.codePoint < wanted; });
  if (found == std::end(kDoubleByteForms) || found->codePoint != code) return {{}, 0};
  return {{static_cast<unsigned char>(found->shiftJis >> 8),
           static_cast<unsigned char>(found->shiftJis & 0xFF)},
          2};
}

}  // namespace

bool writeShiftJis(std::FILE* out, std::string_view utf8) {
  bool complete = true;
  while (!utf8.empty()) {
    Decoded decoded = decodeUtf8(utf8);
    utf8.remove_prefix(decoded.length);
    Encoded encoded = encodeShiftJis(decoded.code);
    if (encoded.count == 0 || std::fwrite(encoded.bytes, 1, encoded.count, out) != encoded.count) {
      complete = false;
    }
  }
  return complete;
}

}  // namespace logo
