#include "huefind/huefind.h"

namespace huefind {

const std::array<std::string_view, 8> kUsageExplanation = {
    "  [パラメータ説明]",
    "    -s : 色検索モード。ファイル中の任意の色のRGB値を画面要求に従い",
    "         して、パレットの何番目にあるのかを検索する。ファイルは更新",
    "          されない。",
    "    -u : 色更新モード。パレット番号を指定し、その色を入力したRGB値",
    "         の色に更新する。指定したファイルを直接更新する。",
    "",
    "",
};

const UsageHead kUsageHead256 = {
    "*************** Windos95 起動logoファイル検索TOOL ****************",
    "huefind ファイル名 {-s|-u} ",
};

const UsageHead kUsageHead16 = {
    "*************** Windos95 98起動logoファイル検索TOOL ****************",
    "huefind16 ファイル名 {-s|-u} ",
};

}  // namespace huefind
