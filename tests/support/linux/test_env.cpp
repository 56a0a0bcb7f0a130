#include <stdlib.h>

#include <filesystem>
#include <vector>

#include "test_env.h"

namespace testsupport {

std::string MakeTempFolder(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    return ::mkdtemp(buffer.data()) != nullptr ? std::string(buffer.data()) : std::string();
}

bool SetEnvironment(const std::string& name, const std::string& value) {
    return ::setenv(name.c_str(), value.c_str(), 1) == 0;
}

}  // namespace testsupport
