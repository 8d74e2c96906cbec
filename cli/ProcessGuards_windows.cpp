#include "ProcessGuards.h"

// Stubs until the Windows port: it has no SIGXFSZ or SIGPIPE, and its standard
// handles need their own check (GetStdHandle) when that port is built.
void OpenClosedStandardDescriptors() {}

void IgnoreFileSizeAndPipeSignals() {}
