// reader_payload.cpp - picks the reader's canvas and writes its class files.
#include "payload/reader_payload.h"

#include <cstddef>

#include "book/file_writer.h"

namespace quorix {

namespace payload {
// Defined in the sources generated from reader/classes at build time.
extern const unsigned char kMainClass[];
extern const std::size_t kMainClassSize;
extern const unsigned char kStandardCanvas[];
extern const std::size_t kStandardCanvasSize;
extern const unsigned char kFullScreenCanvas[];
extern const std::size_t kFullScreenCanvasSize;
}  // namespace payload

std::span<const unsigned char> TReaderPayload::MainClass() {
    return {payload::kMainClass, payload::kMainClassSize};
}

std::span<const unsigned char> TReaderPayload::StandardCanvas() {
    return {payload::kStandardCanvas, payload::kStandardCanvasSize};
}

std::span<const unsigned char> TReaderPayload::FullScreenCanvas() {
    return {payload::kFullScreenCanvas, payload::kFullScreenCanvasSize};
}

std::span<const unsigned char> TReaderPayload::Canvas(PhoneType phoneType) {
    return phoneType == PhoneType::Nokia ? FullScreenCanvas() : StandardCanvas();
}

void TReaderPayload::Write(const std::filesystem::path& targetDir, PhoneType phoneType,
                           TBuildLog& log) {
    WriteBlob(MainClass(), targetDir / kMainClassFile, log);
    WriteBlob(Canvas(phoneType), targetDir / kCanvasClassFile, log);
}

}  // namespace quorix
