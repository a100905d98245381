// zw_exception.cpp - message forms of the archive writer's exceptions.
#include "archive/zw_exception.h"

#include <cstdio>

namespace quorix {

std::string FormatZWText(std::string_view text, std::initializer_list<std::string> args) {
    std::string out;
    auto next = args.begin();
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool placeholder =
            text[i] == '%' && i + 1 < text.size() && (text[i + 1] == 's' || text[i + 1] == 'd');
        if (placeholder && next != args.end()) {
            out += *next++;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

namespace {

std::string ComposeMessage(std::string_view instanceName, int code, std::string_view text) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%05d", code);
    std::string message;
    if (!instanceName.empty()) {
        message.append(instanceName).append(": ");
    }
    message.append(text).append(kMsgNativeErrorSeparator).append(digits);
    return message;
}

}  // namespace

EZWException::EZWException(std::string_view instanceName, int code, std::string_view text)
    : std::runtime_error(ComposeMessage(instanceName, code, text)), code_(code) {}

}  // namespace quorix
