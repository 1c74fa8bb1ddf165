#include "platform/system_state.h"

namespace platform {

ServiceInfo QueryServiceInfo(const std::string&) { return {}; }

RunValueInfo ReadMachineRunValue(const std::string&) { return {}; }

}  // namespace platform
