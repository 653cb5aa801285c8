// Ctrl-C (SIGINT) and SIGTERM: a conversion asks the converter to stop at
// its next step (Abort), which still finishes and closes the output files.
#pragma once

namespace jpsconv {

void InstallInterruptHandler();
bool Interrupted();

}  // namespace jpsconv
