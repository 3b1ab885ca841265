#include "cyclemake/cyclemake.h"

namespace cyclemake {

// The dots are half-width katakana middle dots (0xA5 in Shift-JIS).
const std::array<std::string_view, 20> kUsageText = {
    "",
    "*************** Windos95 起動logoファイル作成TOOL ****************",
    "cyclemake 参照元ファイル名 作成ファイル名 アニメ色数 h1 h2 ････hn",
    "  [パラメータ説明]",
    "    参照元ファイル名:作成時に参照されるBMP FILEの名前(read only)。",
    "    作成ファイル名  :新たに作成される起動logo FILEの名前。",
    "                     通常は logo.sys と指定して下さい。",
    "    アニメ色数      :パレットアニメーションする色の数。Max 16",
    "    h?              :パレットアニメーションする色を、現在のパレットの",
    "                     何番目(0-255の10進数)かで指定する。不明な場合は、",
    "                     huefind.exeを-s指定で実行して確認できます。アニメ",
    "                     色数に指定した数(n)だけ記入して下さい。色は以下の",
    "                     ように変化していきます。",
    "                       h1 = h1 -> h2   -> ････ -> hn-1 -> hn   -> h1 -> ････",
    "                       h2 = h2 -> h3   -> ････ -> hn   -> h1   -> h2 -> ････",
    "                            |     |                |       |       |",
    "                            |     |                |       |       |",
    "                       hn = hn -> hn+1 -> ････ -> hn-2 -> hn-1 -> hn -> ････",
    "",
    "",
};

const std::array<std::string_view, 7> kHelpText = {
    "usage: cyclemake SOURCE OUTPUT n h1 [h2 ... hn]",
    "Moves the colours of palette slots h1 ... hn (n from 1 to 16, each slot",
    "0 to 255 and named once) into slots 255, 254, ..., renumbers the pixels so",
    "that the picture looks the same, and writes the logo file OUTPUT with the",
    "first animated slot, 256 - n, in header byte 50. It asks nothing.",
    "Exit status: 0 when OUTPUT was written, 1 after an error message, 2 after",
    "the usage text.",
};

}  // namespace cyclemake
