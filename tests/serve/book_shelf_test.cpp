// book_shelf_test.cpp - which names make one book, and which names are never served.
#include "serve/book_shelf.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorix::serve {
namespace {

// Each book as "name:" then its parts as "number=jad+jar" (a file left out when absent).
std::string Shelf(const std::vector<std::string>& names) {
    std::vector<TShelfFile> files;
    for (const std::string& name : names) files.push_back({name, 1});
    std::string text;
    for (const TShelfBook& book : GroupBooks(files)) {
        text += book.name + ":";
        for (const TShelfPart& part : book.parts) {
            text += " " + std::to_string(part.number) + "=" + (part.jad ? "jad" : "") +
                    (part.jad && part.jar ? "+" : "") + (part.jar ? "jar" : "");
        }
        text += "; ";
    }
    return text;
}

TEST(GroupBooks, PartsFromOneInNumberOrderAndEveryOtherNameAlone) {
    const struct {
        std::vector<std::string> names;
        std::string shelf;
    } cases[] = {
        {{"Story10.jar", "Story2.jar", "Story1.jar", "Story1.jad"},
         "Story: 1=jad+jar 2=jar 10=jar; "},
        // No part 1: a one-part book whose name ends in a digit.
        {{"Vol2.jad", "Vol2.jar"}, "Vol2: 0=jad+jar; "},
        {{"Vol1.jar"}, "Vol1: 0=jar; "},
        // A one-part book beside a multi-part one of the same name.
        {{"ReadMe.jar", "ReadMe2.jar", "ReadMe1.jar"}, "ReadMe: 0=jar; ReadMe: 1=jar 2=jar; "},
        // A leading zero is not a part number a build writes.
        {{"Tale01.jar", "Tale1.jar"}, "Tale01: 0=jar; Tale1: 0=jar; "},
        {{"2001.jar", "1.jad", "Upper1.JAR", "Upper2.Jad"}, "1: 0=jad; 2001: 0=jar; "
                                                              "Upper: 1=jar 2=jad; "},
        {{".hidden.jar", "notes.txt", "x.jarx", ".jar", "jar"}, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(Shelf(c.names), c.shelf) << c.names.front();
}

TEST(ServableKind, OnlyPlainJadAndJarNames) {
    EXPECT_EQ(ServableKind("Book.jad"), TBookFileKind::jad);
    EXPECT_EQ(ServableKind("Книга1.JAR"), TBookFileKind::jar);
    for (const char* refused : {"a/b.jar", "..\\b.jar", ".jar", "..jar", "b.jar.txt", "b.ja"}) {
        EXPECT_FALSE(ServableKind(refused)) << refused;
    }
    EXPECT_FALSE(ServableKind(std::string("b\0.jar", 6)));
    EXPECT_FALSE(ServableKind(std::string(252, 'a') + ".jar"));
}

}  // namespace
}  // namespace quorix::serve
