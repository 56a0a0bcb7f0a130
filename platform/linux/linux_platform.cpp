#include "platform/linux/linux_platform.h"

#include "platform/linux/cups_printers.h"
#include "platform/linux/parallel.h"
#include "platform/linux/roots.h"
#include "platform/linux/usb.h"
#include "platform/linux/user_files.h"
#include "platform/local_files.h"

namespace platform::linux_impl {

struct LinuxPlatform::Parts {
    explicit Parts(const Roots& roots)
        : parallel(roots), system(roots, parallel), usb(roots), printers(usb, roots) {}

    LinuxParallelPorts parallel;  // before system, which asks it about ports
    LinuxSystemInfo system;
    LinuxSettingsStore settings;
    LinuxLogSink log;
    LinuxClock clock;
    LinuxUsbPrinters usb;
    LocalTempFiles tempFiles;
    LocalFiles files;
    LinuxPrinterList printers;
};

LinuxPlatform::LinuxPlatform() : parts_(std::make_unique<Parts>(Roots::fromEnvironment())) {
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

LinuxPlatform::~LinuxPlatform() = default;

const platform::Platform& LinuxPlatform::get() { return table_; }

void LinuxPlatform::install() { platform::install(table_); }

}  // namespace platform::linux_impl
