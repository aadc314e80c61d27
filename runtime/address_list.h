// The program's one global value: the addresses of the current or last collection run.
#pragma once

#include "runtime/text.h"

namespace runtime {

// The address array; empty at start, replaced by each collection run.
TextArray& AddressList();
// Clean-up routine of the program's end: frees every element and the array itself.
void FreeAddressList();

}  // namespace runtime
