#include "platform/unique_name.h"

#include <cerrno>
#include <random>

namespace platform {

namespace {

constexpr int kAttempts = 100;
constexpr int kRandomLength = 6;

}  // namespace

std::string MakeUniqueName(const std::string& base,
                           const std::function<NameTry(const std::string& name, int& errorNumber)>& make,
                           int& errorNumber) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
    errorNumber = 0;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string name = base;
        for (int i = 0; i < kRandomLength; ++i) name += kLetters[pick(random)];
        switch (make(name, errorNumber)) {
        case NameTry::Made: errorNumber = 0; return name;
        case NameTry::Failed:
            if (errorNumber == 0) errorNumber = EIO;
            return {};
        case NameTry::Taken: break;
        }
    }
    errorNumber = EEXIST;
    return {};
}

}  // namespace platform
