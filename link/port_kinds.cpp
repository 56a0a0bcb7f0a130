// The link's half of the registry of port kinds (platform/port_name.h): the transport table that
// drives each kind. A new kind is one line here and its transport's own file.
#include "link/transport.h"

const SlcTransport* SlcTransportForKind(platform::PortKind kind) {
    switch (kind) {
    case platform::PortKind::Parallel: return &SlcTwoWayParallelTransport();
    case platform::PortKind::Usb: return &SlcUsbTransport();
    case platform::PortKind::CommandFile: return &SlcFileTransport();
    case platform::PortKind::Socket: return &SlcSocketTransport();
    case platform::PortKind::None: break;
    }
    return nullptr;
}
