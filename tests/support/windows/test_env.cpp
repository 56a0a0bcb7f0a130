#include <stdlib.h>

#include <filesystem>
#include <random>
#include <system_error>

#include "test_env.h"

namespace testsupport {

std::string MakeTempFolder(const std::string& prefix) {
    static const char kCharacters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<size_t> pick(0, sizeof kCharacters - 2);
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) return {};
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix;
        for (int i = 0; i < 6; ++i) name += kCharacters[pick(generator)];
        // create_directory is false when the name exists already: try another.
        if (std::filesystem::create_directory(base / name, ec)) return (base / name).generic_string();
        if (ec) return {};
    }
    return {};
}

bool SetEnvironment(const std::string& name, const std::string& value) {
    return ::_putenv_s(name.c_str(), value.c_str()) == 0;
}

}  // namespace testsupport
