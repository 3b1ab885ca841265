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

}  // namespace palpack
