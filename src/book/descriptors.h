// descriptors.h - the manifest inside every JAR and the JAD beside it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorix {

// Both texts are UTF-8, the encoding JAR manifests and JADs are read in; the part name is
// the UTF-8 name the JAR and JAD files carry on disk.
class TDescriptorWriter {
  public:
    // Seven "key: value" lines, each ending in CR LF.
    static std::string ManifestText(std::string_view partName, std::string_view vendor);

    // Eight lines announcing the JAR beside it and its size in bytes.
    static std::string JadText(std::string_view partName, std::string_view vendor,
                               std::uintmax_t jarSize);

    // The JAR's file name as a relative URL: bytes outside printable ASCII, the "%", "#"
    // and "?" that would end a URL's path, and ":", which would make "Name: 1.jar" a URL
    // of the scheme "Name", are written as %XX.
    static std::string JarUrl(std::string_view partName);
};

}  // namespace quorix
