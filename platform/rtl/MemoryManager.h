// platform/rtl/MemoryManager.h
//
// How the process heap treats freed memory. The program holds tables of a
// million rows and rebuilds large temporary arrays on every sort, load and
// filter; the C library's default hands big freed blocks straight back to
// the kernel, so the next sort pays a page fault for every page it touches
// again. The class library's own memory manager kept freed memory in the
// process, and so does this one once set up.
//
// Threads: call once at start-up, before other threads are started.
#pragma once

// Keeps freed blocks of up to 32 MB in the heap for reuse (larger ones are
// still mapped and unmapped on their own) and returns free memory at the top
// of the heap to the kernel only once it exceeds 256 MB. Returns false when
// the C library refused a setting; the program then runs with its defaults.
bool InitMemoryManager();
