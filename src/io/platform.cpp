#include "io/platform.h"

#include <cerrno>
#include <ctime>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace {
CRandom generator;
}

uint32_t tick_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u +
                                 static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

bool current_directory(char* buf, size_t size) { return getcwd(buf, size) != nullptr; }

FileKind file_kind(const char* path, int64_t& size) {
    size = 0;
    struct stat info;
    if (stat(path, &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? FileKind::MISSING : FileKind::UNREADABLE;
    if (S_ISDIR(info.st_mode)) return FileKind::DIRECTORY;
    if (!S_ISREG(info.st_mode)) return FileKind::OTHER;
    size = static_cast<int64_t>(info.st_size);
    return FileKind::REGULAR;
}

uint32_t time_of_day_seed() {
    timeval tv;
    gettimeofday(&tv, nullptr);
    return static_cast<uint32_t>(tv.tv_sec % 30) * 1000u + static_cast<uint32_t>(tv.tv_usec / 1000);
}

int c_rand() { return generator.next(); }

void c_srand(uint32_t seed) { generator.state = seed; }
