#include "runtime/elf_needed.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace zv {

namespace {

// Reads the dynamic section through the section headers; every offset is
// checked against the mapping, since a broken file must not crash the loader.
std::vector<std::string> NeededFromImage(const uint8_t* p, size_t size) {
  std::vector<std::string> out;
  if (size < sizeof(Elf64_Ehdr) || std::memcmp(p, ELFMAG, SELFMAG) != 0 || p[EI_CLASS] != ELFCLASS64) return out;
  Elf64_Ehdr eh;
  std::memcpy(&eh, p, sizeof eh);
  if (eh.e_shentsize != sizeof(Elf64_Shdr) || eh.e_shoff > size ||
      uint64_t(eh.e_shnum) * sizeof(Elf64_Shdr) > size - eh.e_shoff)
    return out;
  auto section = [&](size_t i) {
    Elf64_Shdr sh;
    std::memcpy(&sh, p + eh.e_shoff + i * sizeof(Elf64_Shdr), sizeof sh);
    return sh;
  };
  for (size_t i = 0; i < eh.e_shnum; ++i) {
    Elf64_Shdr dyn = section(i);
    if (dyn.sh_type != SHT_DYNAMIC || dyn.sh_link >= eh.e_shnum) continue;
    Elf64_Shdr str = section(dyn.sh_link);
    if (dyn.sh_offset > size || dyn.sh_size > size - dyn.sh_offset || str.sh_offset > size ||
        str.sh_size > size - str.sh_offset)
      return out;
    for (size_t off = 0; off + sizeof(Elf64_Dyn) <= dyn.sh_size; off += sizeof(Elf64_Dyn)) {
      Elf64_Dyn d;
      std::memcpy(&d, p + dyn.sh_offset + off, sizeof d);
      if (d.d_tag == DT_NULL) break;
      if (d.d_tag != DT_NEEDED || d.d_un.d_val >= str.sh_size) continue;
      const char* s = reinterpret_cast<const char*>(p + str.sh_offset + d.d_un.d_val);
      out.emplace_back(s, strnlen(s, str.sh_size - d.d_un.d_val));
    }
    break;
  }
  return out;
}

}  // namespace

std::vector<std::string> ElfNeeded(const std::string& fileName) {
  int fd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  struct stat st {};
  std::vector<std::string> out;
  if (fstat(fd, &st) == 0 && st.st_size > 0) {
    void* m = mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (m != MAP_FAILED) {
      out = NeededFromImage(static_cast<const uint8_t*>(m), size_t(st.st_size));
      munmap(m, size_t(st.st_size));
    }
  }
  close(fd);
  return out;
}

}  // namespace zv
