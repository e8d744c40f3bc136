// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Hands memory that was freed back to the system. Decoding allocates large temporary images
// on worker threads, and the C library keeps such memory unless asked to return it.
void releaseFreedMemory();
