#include "platform/GlDrivers.h"

#include <dlfcn.h>
#include <link.h>

#include <string>
#include <vector>

void KeepGlDriversLoaded() {
    std::vector<std::string> drivers;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            std::string name = info->dlpi_name ? info->dlpi_name : "";
            if (name.find("_dri.so") != std::string::npos || name.find("libgallium") != std::string::npos)
                static_cast<std::vector<std::string>*>(data)->push_back(name);
            return 0;
        },
        &drivers);
    for (const std::string& name : drivers)
        dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}
