// descriptors.cpp - manifest and JAD texts of a part.
#include "book/descriptors.h"

namespace quorix {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kMidletVersion = "2.0.0";
constexpr std::string_view kMainClass = "TBookMIDlet";

void AddLine(std::string& text, std::string_view key, std::string_view value) {
    text.append(key).append(": ").append(value).append(kLineEnd);
}

// Display name, an empty icon field and the main class.
std::string MidletOne(std::string_view partName) {
    return std::string(partName) + ", , " + std::string(kMainClass);
}

}  // namespace

std::string TDescriptorWriter::ManifestText(std::string_view partName, std::string_view vendor) {
    std::string text;
    AddLine(text, "Manifest-Version", "1.0");
    AddLine(text, "MicroEdition-Configuration", "CLDC-1.0");
    AddLine(text, "MIDlet-Name", partName);
    AddLine(text, "MIDlet-Vendor", vendor);
    AddLine(text, "MIDlet-1", MidletOne(partName));
    AddLine(text, "MIDlet-Version", kMidletVersion);
    AddLine(text, "MicroEdition-Profile", "MIDP-1.0");
    return text;
}

std::string TDescriptorWriter::JadText(std::string_view partName, std::string_view vendor,
                                       std::uintmax_t jarSize) {
    std::string text;
    AddLine(text, "MIDlet-Name", partName);
    AddLine(text, "MIDlet-Version", kMidletVersion);
    AddLine(text, "MIDlet-Vendor", vendor);
    AddLine(text, "MicroEdition-Profile", "MIDP-1.0");
    AddLine(text, "MicroEdition-Configuration", "CLDC-1.0");
    AddLine(text, "MIDlet-Jar-URL", JarUrl(partName));
    AddLine(text, "MIDlet-Jar-Size", std::to_string(jarSize));
    AddLine(text, "MIDlet-1", MidletOne(partName));
    return text;
}

std::string TDescriptorWriter::JarUrl(std::string_view partName) {
    constexpr std::string_view kHex = "0123456789ABCDEF";
    std::string url;
    for (unsigned char c : std::string(partName) + ".jar") {
        if (c < 32 || c > 126 || c == '%' || c == '#' || c == '?' || c == ':') {
            url.push_back('%');
            url.push_back(kHex[c >> 4]);
            url.push_back(kHex[c & 15]);
        } else {
            url.push_back(static_cast<char>(c));
        }
    }
    return url;
}

}  // namespace quorix
