#pragma once
#include <string>
#include <vector>

namespace zv {

// The DT_NEEDED names of an ELF shared object (empty when unreadable).
std::vector<std::string> ElfNeeded(const std::string& fileName);

}  // namespace zv
