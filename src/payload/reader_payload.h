// reader_payload.h - the reader midlet's class files carried inside the tool.
#pragma once

#include <filesystem>
#include <span>
#include <string_view>

#include "book/build_log.h"
#include "book/build_settings.h"
#include "book/part_files.h"

namespace quorix {

class TReaderPayload {
  public:
    // Writes the main class, then the canvas for the phone type, into targetDir; each file
    // is logged by WriteBlob and a failure raises its "Can not create/save file" message.
    static void Write(const std::filesystem::path& targetDir, PhoneType phoneType, TBuildLog& log);

    static std::span<const unsigned char> MainClass();
    static std::span<const unsigned char> StandardCanvas();    // extends Canvas
    static std::span<const unsigned char> FullScreenCanvas();  // extends Nokia's FullCanvas
    // The canvas that goes with a phone type: full screen for Nokia phones only.
    static std::span<const unsigned char> Canvas(PhoneType phoneType);
};

}  // namespace quorix
