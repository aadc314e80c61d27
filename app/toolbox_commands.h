// The small commands of the toolbox: the separator choice and the address generator.
#pragma once

namespace app {

// Item handler of "组合框1": "　表格" empties the separator box, "　Tab键" puts one space in it,
// "　----" puts "----"; any other selection leaves it.
void ChooseSeparator();

// Click handler of "生成" in the address generator: one line per number from first to last by
// step, each "*" of the pattern replaced by the number, each line ended by CR LF. Refuses (with a
// message box) a step that never reaches the last number and a series of more than
// collect::kMaxGeneratedAddresses lines.
void GenerateAddresses();

}  // namespace app
