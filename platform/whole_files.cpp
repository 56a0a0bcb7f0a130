// What is the same on every system: a whole file read through FileReader, and the clean-up of
// temporaries whose writer died.
#include "platform/whole_files.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace platform {

namespace {

// A std::filesystem path from UTF-8 (a plain string is taken in the system's code page on
// Windows), and back.
std::filesystem::path FsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
std::string Utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// The TARGET of a temporary's name "TARGET.XXXXXX" (mkstemp's six letters or digits; the Windows
// half draws from the same kinds), or empty for any other name.
std::string TemporaryTarget(const std::string& name) {
    constexpr size_t kSuffix = 7;  // ".XXXXXX"
    if (name.size() <= kSuffix || name[name.size() - kSuffix] != '.') return {};
    for (size_t i = name.size() - kSuffix + 1; i < name.size(); ++i) {
        const char c = name[i];
        const bool alphanumeric = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!alphanumeric) return {};
    }
    return name.substr(0, name.size() - kSuffix);
}

}  // namespace

ReadWholeStatus ReadWholeFile(const std::string& path, size_t maxBytes, std::string& bytes, int& errorNumber,
                              LinkAtPath links) {
    bytes.clear();
    FileReader reader;
    const ReadWholeStatus opened = reader.open(path, errorNumber, links);
    if (opened != ReadWholeStatus::Ok) return opened;
    std::string text;
    std::vector<char> chunk(65536);
    for (;;) {
        const long n = reader.read(chunk.data(), chunk.size());
        if (n < 0) {
            errorNumber = reader.errorNumber();
            return ReadWholeStatus::Failed;
        }
        if (n == 0) break;
        text.append(chunk.data(), static_cast<size_t>(n));
        if (text.size() > maxBytes) return ReadWholeStatus::TooLarge;
    }
    bytes = std::move(text);
    return ReadWholeStatus::Ok;
}

size_t RemoveStaleTemporaries(const std::string& folder, const std::function<bool(const std::string& target)>& ours,
                              std::chrono::seconds olderThan) {
    using Clock = std::filesystem::file_time_type::clock;
    const auto now = Clock::now();
    size_t removed = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(FsPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string target = TemporaryTarget(Utf8Of(it->path().filename()));
        if (target.empty() || !ours(target)) continue;
        std::error_code fileError;
        // symlink_status: a link of that name is not ours, whatever it points to.
        if (!std::filesystem::is_regular_file(it->symlink_status(fileError)) || fileError) continue;
        const auto modified = std::filesystem::last_write_time(it->path(), fileError);
        if (fileError || now - modified <= olderThan) continue;
        if (std::filesystem::remove(it->path(), fileError)) ++removed;
    }
    return removed;
}

}  // namespace platform
