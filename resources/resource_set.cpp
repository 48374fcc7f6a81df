#include "resources/resources.h"

namespace res {
namespace {

constexpr const win::MenuResource* MENUS[] = {&AppMenu};
constexpr const win::AcceleratorResource* ACCELERATORS[] = {&AppAccel};
constexpr const win::DialogResource* DIALOGS[] = {&AppAbout};
constexpr const win::IconResource* ICONS[] = {&AppIcon};

} // namespace

const win::ResourceSet& AppResources() {
    static const win::ResourceSet set{MENUS, ACCELERATORS, DIALOGS, ICONS};
    return set;
}

} // namespace res
