#include "cli/real_platform.h"

#include "platform/linux/linux_platform.h"

namespace cli {

namespace {

class LinuxRealPlatform : public RealPlatform {
public:
    void install() override { platform_.install(); }

private:
    platform::linux_impl::LinuxPlatform platform_;
};

}  // namespace

std::unique_ptr<RealPlatform> MakeRealPlatform() { return std::make_unique<LinuxRealPlatform>(); }

}  // namespace cli
