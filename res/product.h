// The product's identity: one home for the names that the code, the resource scripts and
// the installer share. Macros, because the resource compiler reads this file too.
#pragma once

#define QUANDOR_PRODUCT_NAME "Quandor Systems Card Authenticator"
#define QUANDOR_COMPANY_NAME "Quandor Systems"
// The log-on service's name, as the service control manager knows it.
#define QUANDOR_SERVICE_NAME "Quandor-Authenticator"
