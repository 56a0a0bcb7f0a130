#include "platform/real_platform.h"

#include "platform/windows/windows_platform.h"

namespace platform {

namespace {

class WindowsRealPlatform : public RealPlatform {
public:
    void install() override { platform_.install(); }

private:
    windows_impl::WindowsPlatform platform_;
};

}  // namespace

std::unique_ptr<RealPlatform> MakeRealPlatform() { return std::make_unique<WindowsRealPlatform>(); }

}  // namespace platform
