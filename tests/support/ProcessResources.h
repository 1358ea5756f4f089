#pragma once

#include <dirent.h>

namespace pelvaro::test {

// The entries of a /proc folder, without "." and "..": -1 when it cannot be read.
inline int procEntries(const char* folder)
{
    DIR* dir = ::opendir(folder);
    if (!dir)
        return -1;
    int count = 0;
    while (const dirent* entry = ::readdir(dir))
        count += entry->d_name[0] != '.';
    ::closedir(dir);
    return count;
}

// The descriptors and threads this process holds now, for checking that a piece of work
// leaves none of its own behind.
struct ProcessResources
{
    int descriptors = procEntries("/proc/self/fd");
    int threads = procEntries("/proc/self/task");
    bool operator==(const ProcessResources&) const = default;
};

} // namespace pelvaro::test
