// Without a service control manager there is no service to tell.
#include "settings/service_request.h"

namespace settings {

ServiceNotice SendServiceRequest(std::string*) { return ServiceNotice::NothingToNotify; }

}  // namespace settings
