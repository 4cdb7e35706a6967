// A running process's memory, as the kernel reports it under /proc.
#pragma once

#include <sys/types.h>

// The kB of `field` ("VmRSS", "VmHWM", ...) in the process's status; 0 once it is gone.
long process_memory_kb(pid_t pid, const char *field);
