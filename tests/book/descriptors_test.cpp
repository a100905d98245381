// descriptors_test.cpp - manifest and JAD texts byte for byte.
#include "book/descriptors.h"

#include <gtest/gtest.h>

namespace quorix {
namespace {

TEST(Descriptors, ManifestOfReadMe) {
    std::string text = TDescriptorWriter::ManifestText("ReadMe", "Kelvatrone");
    EXPECT_EQ(text,
              "Manifest-Version: 1.0\r\n"
              "MicroEdition-Configuration: CLDC-1.0\r\n"
              "MIDlet-Name: ReadMe\r\n"
              "MIDlet-Vendor: Kelvatrone\r\n"
              "MIDlet-1: ReadMe, , TBookMIDlet\r\n"
              "MIDlet-Version: 2.0.0\r\n"
              "MicroEdition-Profile: MIDP-1.0\r\n");
    EXPECT_EQ(text.size(), 197u);
}

TEST(Descriptors, JadAnnouncesTheJarAndItsSize) {
    std::string text = TDescriptorWriter::JadText("ReadMe", "Kelvatrone", 12345);
    EXPECT_EQ(text.size(), 226u);
    EXPECT_EQ(TDescriptorWriter::JadText("ReadMe2", "Kelvatrone", 999),
              "MIDlet-Name: ReadMe2\r\n"
              "MIDlet-Version: 2.0.0\r\n"
              "MIDlet-Vendor: Kelvatrone\r\n"
              "MicroEdition-Profile: MIDP-1.0\r\n"
              "MicroEdition-Configuration: CLDC-1.0\r\n"
              "MIDlet-Jar-URL: ReadMe2.jar\r\n"
              "MIDlet-Jar-Size: 999\r\n"
              "MIDlet-1: ReadMe2, , TBookMIDlet\r\n");
}

// "Книга" in UTF-8: the descriptors carry these bytes as they are, the URL escapes them.
constexpr std::string_view kKniga = "\xD0\x9A\xD0\xBD\xD0\xB8\xD0\xB3\xD0\xB0";

TEST(Descriptors, Utf8NameGoesOutAsUtf8) {
    std::string manifest = TDescriptorWriter::ManifestText(kKniga, "Kelvatrone");
    EXPECT_NE(manifest.find("\r\nMIDlet-Name: " + std::string(kKniga) + "\r\n"), std::string::npos);
    EXPECT_NE(manifest.find("\r\nMIDlet-1: " + std::string(kKniga) + ", , TBookMIDlet\r\n"),
              std::string::npos);
    std::string jad = TDescriptorWriter::JadText(std::string(kKniga) + "2", "Kelvatrone", 5);
    EXPECT_EQ(jad.substr(0, 26), "MIDlet-Name: " + std::string(kKniga) + "2\r\n");
    EXPECT_NE(jad.find("\r\nMIDlet-Jar-URL: %D0%9A%D0%BD%D0%B8%D0%B3%D0%B02.jar\r\n"),
              std::string::npos);
}

TEST(Descriptors, JarUrlEscapesOnlyWhatEndsOrBreaksAPath) {
    struct Case {
        std::string_view name, url;
    } cases[] = {
        {"ReadMe", "ReadMe.jar"},  {"My Book (1)!", "My Book (1)!.jar"},
        {"100%", "100%25.jar"},    {"a#b?c", "a%23b%3Fc.jar"},
        {"tab\x7F", "tab%7F.jar"}, {"\xC2\xA9", "%C2%A9.jar"},
        {"Nettle: a library1", "Nettle%3A a library1.jar"}, {"a:b:", "a%3Ab%3A.jar"},
    };
    for (const Case& c : cases) EXPECT_EQ(TDescriptorWriter::JarUrl(c.name), c.url) << c.name;
}

}  // namespace
}  // namespace quorix
