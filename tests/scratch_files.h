// Files for tests that need a directory of their own: books, tool input and output.
#pragma once

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

// A new, empty directory under /tmp.
inline std::string temp_directory() {
    char pattern[] = "/tmp/kelvorante-test-XXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir ? dir : "/tmp";
}

inline void write_file(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string read_file(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream text;
    text << f.rdbuf();
    return text.str();
}
