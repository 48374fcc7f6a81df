#pragma once

// Files that the tools write for the user arrive whole or not at all.

#include <string>
#include <string_view>

// A file is written beside its name and renamed over it (through a link, over what the link
// names), so a full disk leaves the file as it was. Anything else that exists, a device or a
// pipe, is written as it is. Returns why it failed, or nothing when it was written.
std::string WriteWhole(const std::string& path, std::string_view bytes);
