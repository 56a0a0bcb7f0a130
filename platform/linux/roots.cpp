#include "platform/linux/roots.h"

#include <cstdlib>

namespace platform::linux_impl {
namespace {

std::string rootFrom(const char* variable) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') return "/";
    return value;
}

}  // namespace

Roots Roots::fromEnvironment() {
    Roots roots;
    roots.dev = rootFrom("DEVPANEL_DEV_ROOT");
    roots.sys = rootFrom("DEVPANEL_SYS_ROOT");
    roots.proc = rootFrom("DEVPANEL_PROC_ROOT");
    roots.etc = rootFrom("DEVPANEL_ETC_ROOT");
    return roots;
}

Roots Roots::under(const std::string& root) {
    Roots roots;
    roots.dev = roots.sys = roots.proc = roots.etc = root;
    return roots;
}

std::string Roots::join(const std::string& root, const std::string& relative) {
    std::string path = root.empty() ? std::string("/") : root;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    size_t start = 0;
    while (start < relative.size() && relative[start] == '/') ++start;
    if (path.back() != '/') path += '/';
    path.append(relative, start, std::string::npos);
    return path;
}

}  // namespace platform::linux_impl
