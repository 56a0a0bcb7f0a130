// What is the same on every system: a whole file read through FileReader.
#include "platform/whole_files.h"

#include <vector>

namespace platform {

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

}  // namespace platform
