// Binds every handler of the program to the name its layout table uses.
#pragma once

namespace app {

// Registers the shell's handlers and those of the collection engine.
void RegisterProgramHandlers();

}  // namespace app
