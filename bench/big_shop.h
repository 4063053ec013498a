#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

// The big shop that `make bigshop` writes, when `make bench` names it in CHENZHOU_BIGSHOP_DB;
// empty when it is not there, and a benchmark then makes data of the same size itself.
inline std::string bigShopFile() {
  const char* path = std::getenv("CHENZHOU_BIGSHOP_DB");
  if (!path || !*path || !std::filesystem::exists(path)) return {};
  return path;
}
