// parallel_build_test.cpp - builds with several workers give what one worker gives:
// the same JARs, JADs and log, also when a part fails.
#include <gtest/gtest.h>

#include <map>

#include "builder/book_builder.h"
#include "test_support.h"

namespace quorix {
namespace {
namespace fs = std::filesystem;
using test::ReadFile;
using test::TTempDir;
using test::WriteFile;

std::uint32_t Le(const std::string& bytes, std::size_t at, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(i)));
    }
    return value;
}

// The JAR with every entry's DOS time and date zeroed in its local and central headers,
// so that builds made at different moments compare byte for byte.
std::string WithoutTimes(std::string jar) {
    const std::size_t end = jar.size() - 22;
    EXPECT_EQ(Le(jar, end, 4), 0x06054b50u);
    const std::uint32_t count = Le(jar, end + 10, 2);
    std::size_t at = Le(jar, end + 16, 4);
    for (std::uint32_t i = 0; i < count; ++i) {
        EXPECT_EQ(Le(jar, at, 4), 0x02014b50u);
        jar.replace(at + 12, 4, 4, '\0');
        jar.replace(Le(jar, at + 42, 4) + 10, 4, 4, '\0');
        at += 46 + Le(jar, at + 28, 2) + Le(jar, at + 30, 2) + Le(jar, at + 32, 2);
    }
    return jar;
}

struct TBuildResult {
    bool succeeded = false;
    std::vector<std::string> log;                // times and the build's own directory left out
    std::map<std::string, std::string> midlets;  // name -> content (JARs without times)
};

class ParallelBuildTest : public ::testing::Test {
  protected:
    ParallelBuildTest() {
        settings.sourcePath = (dir.Path() / "source.txt").string();
        settings.font.face = "DejaVu Sans";
        settings.partSizeText = "2500";
        std::string text;
        for (int i = 0; text.size() < 60000; ++i) {
            text += "Sentence " + std::to_string(i * 7919 % 1000) +
                    (i % 3 ? " runs on a little. " : " ends here! ");
        }
        WriteFile(settings.sourcePath, text);
    }

    // A build in a directory of its own; `prepare` may set up its midlets first.
    TBuildResult Build(const std::string& name, TBuildOptions options,
                       const std::function<void(const fs::path&)>& prepare = nullptr) {
        const fs::path place = dir.Path() / name;
        fs::create_directories(place / "midlets");
        if (prepare) prepare(place / "midlets");
        TMemoryLog log;
        TBuildResult result;
        result.succeeded = TBookBuilder({place, place}, std::move(options)).Run(settings, log);
        for (std::string line : log.Lines()) {
            for (auto at = line.find(place.string()); at != std::string::npos;
                 at = line.find(place.string())) {
                line.replace(at, place.string().size(), "<place>");
            }
            for (std::string_view timed :
                 {"Process started at ", "Process successfully ended at "}) {
                if (line.starts_with(timed)) line = timed;
            }
            result.log.push_back(line);
        }
        for (const auto& entry : fs::directory_iterator(place / "midlets")) {
            const std::string file = entry.path().filename();
            result.midlets[file] = !entry.is_regular_file() ? "(not a file)"
                                   : file.ends_with(".jar") ? WithoutTimes(ReadFile(entry.path()))
                                                            : ReadFile(entry.path());
        }
        EXPECT_TRUE(fs::is_empty(place / "temp" / "META-INF")) << name;
        for (const auto& entry : fs::directory_iterator(place)) {
            EXPECT_TRUE(entry.path().filename() == "temp" || entry.path().filename() == "midlets")
                << "left behind: " << entry.path();
        }
        return result;
    }

    void ExpectSame(const TBuildResult& one, const TBuildResult& many) {
        EXPECT_EQ(one.succeeded, many.succeeded);
        EXPECT_EQ(one.log, many.log);
        ASSERT_EQ(one.midlets.size(), many.midlets.size());
        for (const auto& [name, content] : one.midlets) {
            ASSERT_TRUE(many.midlets.contains(name)) << name;
            EXPECT_TRUE(content == many.midlets.at(name)) << name << " differs";
        }
    }

    TTempDir dir;
    TBuildSettings settings;
};

TEST_F(ParallelBuildTest, ManyWorkersMakeWhatOneMakes) {
    TBuildResult one = Build("one", {.jobs = 1});
    ASSERT_TRUE(one.succeeded);
    ASSERT_GT(one.midlets.size(), 40u);  // 20 parts and more, each a JAR and a JAD
    for (unsigned jobs : {2u, 4u, 0u}) {
        SCOPED_TRACE(jobs);
        ExpectSame(one, Build("jobs" + std::to_string(jobs), {.jobs = jobs}));
    }
    // The strongest deflater changes the JARs' sizes, hence the JADs, never the order.
    TBuildResult maxOne = Build("max1", {.compression = TCompression::max, .jobs = 1});
    ExpectSame(maxOne, Build("max4", {.compression = TCompression::max, .jobs = 4}));
    std::uintmax_t standardBytes = 0, maxBytes = 0;
    for (const auto& [name, content] : one.midlets) {
        if (name.ends_with(".jar")) standardBytes += content.size();
    }
    for (const auto& [name, content] : maxOne.midlets) {
        if (name.ends_with(".jar")) maxBytes += content.size();
    }
    EXPECT_LT(maxBytes, standardBytes);
}

// Part 7's JAD cannot replace what stands at its name: parts 1 to 6 stay, part 7 leaves
// no JAR, no later part is there, and the log stops at part 7's failure.
TEST_F(ParallelBuildTest, FailingPartLeavesWhatOneWorkerLeaves) {
    auto blockJad = [](const fs::path& midlets) {
        fs::create_directories(midlets / "ReadMe7.jad" / "in-the-way");
    };
    TBuildResult one = Build("one", {.jobs = 1}, blockJad);
    ASSERT_FALSE(one.succeeded);
    EXPECT_EQ(one.log.back(),
              "Process not ended, error: Can not create/save file <place>/midlets/ReadMe7.jad: "
              "Is a directory");
    EXPECT_EQ(one.midlets.size(), 13u);  // six pairs and the directory in the way
    EXPECT_FALSE(one.midlets.contains("ReadMe7.jar"));
    for (unsigned jobs : {2u, 4u}) {
        SCOPED_TRACE(jobs);
        ExpectSame(one, Build("jobs" + std::to_string(jobs), {.jobs = jobs}, blockJad));
    }
}

}  // namespace
}  // namespace quorix
