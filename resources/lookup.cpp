#include "resources/resources.h"

namespace res {
namespace {

// Each kind holds a single resource today; the lookup still checks the name, as a program
// asking for a resource that does not exist must get nothing back.
template <typename Resource>
const Resource* Named(const Resource& resource, std::string_view name) {
    return name == resource.name ? &resource : nullptr;
}

} // namespace

const win::MenuResource* FindMenu(std::string_view name) {
    return Named(AppMenu, name);
}

const win::AcceleratorResource* FindAccelerators(std::string_view name) {
    return Named(AppAccel, name);
}

const win::DialogResource* FindDialog(std::string_view name) {
    return Named(AppAbout, name);
}

const win::IconResource* FindIcon(std::string_view name) {
    return Named(AppIcon, name);
}

} // namespace res
