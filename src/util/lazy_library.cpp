#include "util/lazy_library.h"

#include <dlfcn.h>

namespace cz {

bool LazyLibrary::load(std::string& error) {
  std::call_once(m_once, [this] {
    m_handle = dlopen(m_soname, RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
      const char* text = dlerror();
      m_error = text ? text : m_soname;
    }
  });
  if (!m_handle) error = m_error;
  return m_handle != nullptr;
}

void* LazyLibrary::symbol(const char* name) {
  std::string error;
  if (!load(error)) return nullptr;
  return dlsym(m_handle, name);
}

}  // namespace cz
