// The installed printers from the spooler.
#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "platform/windows/system_replies.h"
#include "platform/windows/platform_classes.h"

namespace platform::windows_impl {

namespace {

std::string SpoolerProblem(DWORD error) {
    return "the print spooler did not list its printers (Windows error " + std::to_string(error) + ")";
}

}  // namespace

bool WindowsPrinterList::list(std::vector<InstalledPrinter>& out) {
    out.clear();
    problem_.clear();
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0;
    DWORD count = 0;
    std::vector<BYTE> buffer;
    // The list may grow between the call that sizes it and the one that fills it.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (::EnumPrintersW(flags, nullptr, 2, buffer.empty() ? nullptr : buffer.data(), static_cast<DWORD>(buffer.size()),
                            &needed, &count))
            break;
        const DWORD error = ::GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER || attempt == 2) {
            problem_ = SpoolerProblem(error);
            return false;
        }
        buffer.assign(needed, 0);
    }
    std::vector<SpoolerRecord> records;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count && info != nullptr; ++i) {
        records.push_back({win32::Narrow(info[i].pPrinterName), win32::Narrow(info[i].pDriverName), win32::Narrow(info[i].pPortName)});
    }
    out = installedPrinters(records);
    return true;
}

}  // namespace platform::windows_impl
