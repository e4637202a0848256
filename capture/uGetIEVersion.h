// The installed browser's major version, from the registry.
#pragma once
#include <cstdint>
#include <string>

namespace vt {

// Major version from a "Version" text such as "11.0.9600.16428"; 6 when its first piece is no number.
int32_t IEVersionFromText(const std::string& version);
// 6 when the key or value is missing.
int32_t GetIEVersion();

}  // namespace vt
