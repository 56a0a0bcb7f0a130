#include <unistd.h>

#include <string>

#include "platform/data_files.h"
#include "platform/paths.h"

namespace platform {

std::string ExecutableFolder() {
    std::string path(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || static_cast<size_t>(n) >= path.size()) return {};
    path.resize(static_cast<size_t>(n));
    return FolderOfPath(path);
}

}  // namespace platform
