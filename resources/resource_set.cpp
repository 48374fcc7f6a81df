#include "resources/resources.h"

namespace res {
namespace {

constexpr const win::MenuResource* kMenus[] = {&AppMenu};
constexpr const win::AcceleratorResource* kAccelerators[] = {&AppAccel};
constexpr const win::DialogResource* kDialogs[] = {&AppAbout};
constexpr const win::IconResource* kIcons[] = {&AppIcon};

} // namespace

const win::ResourceSet& AppResources() {
    static const win::ResourceSet set{kMenus, kAccelerators, kDialogs, kIcons};
    return set;
}

} // namespace res
