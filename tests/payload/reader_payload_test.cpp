// reader_payload_test.cpp - the embedded reader classes and the files TReaderPayload writes.
#include "payload/reader_payload.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace quorix {
namespace {

namespace fs = std::filesystem;

std::vector<unsigned char> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<unsigned char> Bytes(std::span<const unsigned char> blob) {
    return {blob.begin(), blob.end()};
}

const fs::path kClasses = fs::path(QUORIX_SOURCE_DIR) / "reader" / "classes";

class ReaderPayloadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("quorix_payload_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
};

TEST(ReaderPayloadBlobs, AreTheCommittedClassFiles) {
    EXPECT_EQ(Bytes(TReaderPayload::MainClass()), ReadFile(kClasses / "TBookMIDlet.class"));
    EXPECT_EQ(Bytes(TReaderPayload::StandardCanvas()),
              ReadFile(kClasses / "standard" / "TBookCanvas.class"));
    EXPECT_EQ(Bytes(TReaderPayload::FullScreenCanvas()),
              ReadFile(kClasses / "nokia" / "TBookCanvas.class"));
}

TEST(ReaderPayloadBlobs, AreCldcClassFilesOfVersion46) {
    const std::vector<unsigned char> header = {0xCA, 0xFE, 0xBA, 0xBE, 0x00, 0x00, 0x00, 0x2E};
    for (auto blob : {TReaderPayload::MainClass(), TReaderPayload::StandardCanvas(),
                      TReaderPayload::FullScreenCanvas()}) {
        ASSERT_GT(blob.size(), header.size());
        EXPECT_EQ(Bytes(blob.first(header.size())), header);
    }
    EXPECT_NE(Bytes(TReaderPayload::StandardCanvas()), Bytes(TReaderPayload::FullScreenCanvas()));
}

TEST(ReaderPayloadBlobs, CanvasFollowsPhoneType) {
    EXPECT_EQ(TReaderPayload::Canvas(PhoneType::Nokia).data(),
              TReaderPayload::FullScreenCanvas().data());
    EXPECT_EQ(TReaderPayload::Canvas(PhoneType::Any).data(),
              TReaderPayload::StandardCanvas().data());
    EXPECT_EQ(TReaderPayload::Canvas(static_cast<PhoneType>(7)).data(),
              TReaderPayload::StandardCanvas().data());
}

TEST_F(ReaderPayloadTest, WritesMainClassThenCanvasForEachPhoneType) {
    for (PhoneType type : {PhoneType::Any, PhoneType::Nokia}) {
        TMemoryLog log;
        TReaderPayload::Write(dir_, type, log);
        EXPECT_EQ(ReadFile(dir_ / "TBookMIDlet.class"), Bytes(TReaderPayload::MainClass()));
        EXPECT_EQ(ReadFile(dir_ / "TBookCanvas.class"), Bytes(TReaderPayload::Canvas(type)));
        const std::vector<std::string> expected = {
            "Create file " + (dir_ / "TBookMIDlet.class").string() + ", size " +
                std::to_string(TReaderPayload::MainClass().size()) + " bytes",
            "Create file " + (dir_ / "TBookCanvas.class").string() + ", size " +
                std::to_string(TReaderPayload::Canvas(type).size()) + " bytes",
        };
        EXPECT_EQ(log.Lines(), expected);
    }
}

TEST_F(ReaderPayloadTest, ReplacesExistingFiles) {
    std::ofstream(dir_ / "TBookCanvas.class") << std::string(5000, 'x');
    TMemoryLog log;
    TReaderPayload::Write(dir_, PhoneType::Any, log);
    EXPECT_EQ(fs::file_size(dir_ / "TBookCanvas.class"), TReaderPayload::StandardCanvas().size());
}

TEST_F(ReaderPayloadTest, MissingDirectoryRaisesTheFileMessage) {
    TMemoryLog log;
    const fs::path missing = dir_ / "no" / "such";
    try {
        TReaderPayload::Write(missing, PhoneType::Nokia, log);
        FAIL() << "no exception";
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Can not create/save file " + (missing / "TBookMIDlet.class").string());
    }
    EXPECT_TRUE(log.Lines().empty());
}

}  // namespace
}  // namespace quorix
