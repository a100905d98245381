// descriptors.h - the manifest inside every JAR and the JAD beside it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorix {

class TDescriptorWriter {
public:
    // Seven "key: value" lines, each ending in CR LF.
    static std::string ManifestText(std::string_view partName, std::string_view vendor);

    // Eight lines announcing the JAR beside it and its size in bytes.
    static std::string JadText(std::string_view partName, std::string_view vendor,
                               std::uintmax_t jarSize);
};

}  // namespace quorix
