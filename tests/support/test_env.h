// What test fixtures need from the system, the same way on every platform: a fresh private
// temporary folder and environment variables (linux/test_env.cpp, windows/test_env.cpp), and a
// file's content.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

namespace testsupport {

// Creates a new, empty folder named prefix followed by random characters in the system's
// temporary folder, and returns its path with "/" between parts; empty on failure.
std::string MakeTempFolder(const std::string& prefix);

// Sets an environment variable of this process; false on failure.
bool SetEnvironment(const std::string& name, const std::string& value);

// The whole content of a file, bytes as they are; empty when it cannot be read.
inline std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace testsupport
