#include "cli/queue_send.h"

namespace cli {

// The Windows build sends command files to ports only.
std::unique_ptr<PrintQueues> MakeSystemPrintQueues() { return nullptr; }

}  // namespace cli
