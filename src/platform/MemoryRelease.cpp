// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MemoryRelease.h"

#include <malloc.h>

void releaseFreedMemory() {
    malloc_trim(0);
}
