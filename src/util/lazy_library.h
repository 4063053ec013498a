#pragma once

#include <mutex>
#include <string>

namespace cz {

// A shared library opened with dlopen at its first use rather than when the program starts, for
// libraries most tills never need (the PostgreSQL client for a till on a data file, libcups for a
// till without a CUPS queue): a library linked in is mapped and relocated at every start, with
// the libraries it needs in turn, and its pages stay in the program's memory.
class LazyLibrary {
 public:
  // `soname`: the library's file name as the system's loader finds it ("libpq.so.5").
  explicit constexpr LazyLibrary(const char* soname) : m_soname(soname) {}
  LazyLibrary(const LazyLibrary&) = delete;
  LazyLibrary& operator=(const LazyLibrary&) = delete;

  // Opens the library once; false with the loader's message when it cannot be opened.
  bool load(std::string& error);
  // The address of a function of the library; nullptr when the library or the name is missing.
  void* symbol(const char* name);

 private:
  const char* m_soname;
  std::once_flag m_once;
  void* m_handle = nullptr;
  std::string m_error;
};

namespace detail {
template <typename F>
struct FunctionResult;
template <typename R, typename... Args>
struct FunctionResult<R (*)(Args...)> {
  using Type = R;
};
}  // namespace detail

}  // namespace cz

// Defines the library function `name` (declared by the library's own header) as a call of the
// same function in `library`, a LazyLibrary. `params` is its parameter list with names, `args`
// the names in parentheses. Without the library it returns a zero value.
#define CZ_LAZY_FUNCTION(library, name, params, args)                                    \
  ::cz::detail::FunctionResult<decltype(&name)>::Type name params {                      \
    static const auto real = reinterpret_cast<decltype(&name)>((library).symbol(#name)); \
    if (!real) return ::cz::detail::FunctionResult<decltype(&name)>::Type();             \
    return real args;                                                                    \
  }
