// Ctrl-C (SIGINT and SIGTERM on Linux; Ctrl-C, Ctrl-Break and closing the
// console on Windows): the handler calls the plug-in's Abort, so a running
// conversion stops at its next step and still finishes and closes its output
// files; the conversions that wait are not started.
#pragma once

namespace jpsconv {

void InstallInterruptHandler();
bool Interrupted();

}  // namespace jpsconv
