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

}  // namespace
}  // namespace quorix
