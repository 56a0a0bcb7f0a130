#include <iconv.h>

#include <cerrno>

#include "platform/code_page.h"

namespace platform {
namespace {

constexpr const char* kPrinterCodePage = "CP949";

// One conversion with its own descriptor (iconv descriptors are not shareable between threads).
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as it can; returns false at the first byte it cannot convert, with
    // *consumed the bytes of input converted so far.
    bool run(const char* in, size_t length, std::string& out, size_t* consumed) {
        char* source = const_cast<char*>(in);
        size_t left = length;
        char buffer[256];
        while (left > 0) {
            char* target = buffer;
            size_t room = sizeof buffer;
            const size_t result = iconv(cd_, &source, &left, &target, &room);
            out.append(buffer, static_cast<size_t>(target - buffer));
            if (result == static_cast<size_t>(-1) && errno != E2BIG) {
                *consumed = length - left;
                return false;
            }
        }
        *consumed = length;
        return true;
    }

private:
    iconv_t cd_;
};

}  // namespace

bool ToCodePage949(const std::string& utf8, std::string& out) {
    out.clear();
    Converter toPrinter(kPrinterCodePage, "UTF-8");
    size_t consumed = 0;
    if (!toPrinter.ok() || !toPrinter.run(utf8.data(), utf8.size(), out, &consumed)) {
        out.clear();
        return false;
    }
    return true;
}

bool FromCodePage949(const uint8_t* bytes, size_t count, std::string& out, size_t* consumed) {
    *consumed = 0;
    Converter fromPrinter("UTF-8", kPrinterCodePage);
    if (!fromPrinter.ok()) return false;
    return fromPrinter.run(reinterpret_cast<const char*>(bytes), count, out, consumed);
}

}  // namespace platform
