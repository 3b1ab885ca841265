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

const std::array<std::string_view, 8> kHelpText256 = {
    "usage: huefind FILE -s",
    "       huefind FILE -u",
    "-s asks for red, green and blue, one number a line, and tells the first",
    "palette slot of FILE holding that colour, until you type e.",
    "-u asks for a slot number and its new red, green and blue; e writes the",
    "edits into FILE itself, n drops them. For palettes of 256 entries.",
    "Exit status: 0 for a normal end, 1 after an error message, 2 after the",
    "usage text.",
};

const std::array<std::string_view, 8> kHelpText16 = {
    "usage: huefind16 FILE -s",
    "       huefind16 FILE -u",
    "-s asks for red, green and blue, one number a line, and tells the first",
    "palette slot of FILE holding that colour, until you type e.",
    "-u asks for a slot number and its new red, green and blue; e writes the",
    "edits into FILE itself, n drops them. For palettes of 16 entries.",
    "Exit status: 0 for a normal end, 1 after an error message, 2 after the",
    "usage text.",
};

}  // namespace huefind
