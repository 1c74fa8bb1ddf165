/* The image's load configuration, kept for one field: the dependent load flags. They make
   the loader take the DLLs this program imports from the system folder only, never from
   the program's folder, where users of a kiosk may create files. GNU ld does not point
   the image at this structure by itself; cmake/point_load_config.py does after the link. */
#include <windows.h>

#include <stddef.h>

/* The fields up to the security cookie only (none: the cookie's address is zero): a
   32-bit image whose structure reached the handler table would claim an empty table of
   safe exception handlers. */
__attribute__((used)) const IMAGE_LOAD_CONFIG_DIRECTORY _load_config_used = {
    .Size = offsetof(IMAGE_LOAD_CONFIG_DIRECTORY, SEHandlerTable),
    .Reserved1 = LOAD_LIBRARY_SEARCH_SYSTEM32, /* DependentLoadFlags */
};
