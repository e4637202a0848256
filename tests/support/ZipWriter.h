// Zip files made by the zip library itself, for the button-image package tests.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace vt::test {

using ZipEntries = std::vector<std::pair<std::string, std::string>>;  // name, content

// The bytes of a zip holding `entries` in this order, deflated as any packer would.
std::string MakeZip(const ZipEntries& entries);

}  // namespace vt::test
