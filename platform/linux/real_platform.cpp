#include "platform/real_platform.h"

#include "platform/linux/linux_platform.h"

namespace platform {

namespace {

class LinuxRealPlatform : public RealPlatform {
public:
    void install() override { platform_.install(); }

private:
    linux_impl::LinuxPlatform platform_;
};

}  // namespace

std::unique_ptr<RealPlatform> MakeRealPlatform() { return std::make_unique<LinuxRealPlatform>(); }

}  // namespace platform
