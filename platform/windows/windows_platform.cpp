#include "platform/windows/windows_platform.h"

#include "platform/local_files.h"
#include "platform/windows/platform_classes.h"

namespace platform::windows_impl {

struct WindowsPlatform::Parts {
    WindowsSystemInfo system;
    WindowsSettingsStore settings;
    WindowsLogSink log;
    WindowsClock clock;
    WindowsParallelPorts parallel;
    WindowsUsbPrinters usb;
    LocalTempFiles tempFiles;
    LocalFiles files;
    WindowsPrinterList printers;
};

WindowsPlatform::WindowsPlatform() : parts_(std::make_unique<Parts>()) {
    table_.system = &parts_->system;
    table_.settings = &parts_->settings;
    table_.log = &parts_->log;
    table_.clock = &parts_->clock;
    table_.parallel = &parts_->parallel;
    table_.usb = &parts_->usb;
    table_.tempFiles = &parts_->tempFiles;
    table_.files = &parts_->files;
    table_.printers = &parts_->printers;
}

WindowsPlatform::~WindowsPlatform() {
    // The console outlives the program: give it back its own code page.
    if (consoleCodePage_ != 0) ::SetConsoleOutputCP(consoleCodePage_);
}

const platform::Platform& WindowsPlatform::get() { return table_; }

void WindowsPlatform::install() {
    platform::install(table_);
    const UINT before = ::GetConsoleOutputCP();  // 0 without a console
    if (before != 0 && before != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8)) consoleCodePage_ = before;
}

}  // namespace platform::windows_impl
