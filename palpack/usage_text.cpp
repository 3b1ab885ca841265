#include "palpack/palpack.h"

namespace palpack {

// The word for file on the syntax line is in half-width katakana.
const std::array<std::string_view, 11> kUsageText = {
    "",
    "*************** Windos95 起動logoファイル編集TOOL ****************",
    "palpack 参照元ﾌｧｲﾙ名 {-p|-u|-a} [作成ﾌｧｲﾙ名] ",
    "            |          |          +---- 新たに作成されるBMP FILEの名前",
    "            |          +------ オプションの指定",
    "            |            -p : パレットの表示(256色)",
    "            |            -u : パレットの再配分(256色)",
    "            |            -a : パレットの再配分(除アニメ色)",
    "            +------ 作成時に参照されるBMP FILEの名前(read only)",
    "",
    "",
};

const std::array<std::string_view, 9> kHelpText = {
    "usage: palpack SOURCE -p",
    "       palpack SOURCE -u OUTPUT",
    "       palpack LOGO -a OUTPUT",
    "-p lists the 256 palette entries of SOURCE and whether a pixel uses each.",
    "-u packs the used colours into the lowest slots and renumbers the pixels;",
    "-a does the same below the animated slots of a logo file. Both show the new",
    "palette and ask \"New File Make? Y/N/E :\" before they write OUTPUT.",
    "Exit status: 0 for a normal end, 1 after an error message, 2 after the",
    "usage text.",
};

}  // namespace palpack
