// A running process's memory, as the kernel reports it under /proc.
#include "process_memory.h"

#include <cstdlib>
#include <fstream>
#include <string>

long process_memory_kb(pid_t pid, const char *field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string label = std::string(field) + ":";
    for (std::string line; std::getline(status, line);)
        if (line.rfind(label, 0) == 0)
            return std::atol(line.c_str() + label.size());
    return 0;
}
