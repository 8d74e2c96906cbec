#include "WindowHost.h"

// The Windows program keeps the report box until its review window is built.
bool ReviewWindowWanted() {
    return false;
}
