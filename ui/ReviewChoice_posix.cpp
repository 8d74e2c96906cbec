#include "WindowHost.h"

bool ReviewWindowWanted() {
    return true;
}
