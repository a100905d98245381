// zw_dir_test.cpp - growth of the entry array, name look-up and the committed snapshot.
#include "archive/zw_dir.h"

#include <gtest/gtest.h>

namespace quorix {
namespace {

TZWEntry Named(std::string name) {
    TZWEntry e;
    e.storedName = std::move(name);
    e.pending = true;
    return e;
}

TEST(ZWDirArrayTest, CapacityGrowsInDoublingCappedSteps) {
    TZWDirArray array;
    EXPECT_EQ(array.Capacity(), 0u);
    std::vector<std::size_t> seen;
    for (std::size_t i = 0; i < 35001; ++i) {
        std::size_t before = array.Capacity();
        array.Append(TZWEntry());
        if (array.Capacity() != before) seen.push_back(array.Capacity());
    }
    EXPECT_EQ(seen, (std::vector<std::size_t>{1000, 3000, 7000, 15000, 25000, 35000, 45000}));
    EXPECT_EQ(array.Count(), 35001u);
}

TEST(ZWDirArrayTest, FindIgnoresAsciiCaseAndRemoveShifts) {
    TZWDirArray array;
    array.Append(Named("META-INF/"));
    array.Append(Named("META-INF/MANIFEST.MF"));
    array.Append(Named("book.dat"));
    EXPECT_EQ(array.Find("meta-inf/manifest.mf"), 1u);
    EXPECT_EQ(array.Find("BOOK.DAT"), 2u);
    EXPECT_FALSE(array.Find("book.da").has_value());
    array.RemoveAt(0);
    EXPECT_EQ(array.Find("book.dat"), 1u);
    EXPECT_EQ(array.Count(), 2u);
}

TEST(ZWDirManagerTest, RollbackRestoresTheSnapshotWithoutPendingFlags) {
    TZWDirManager dir;
    dir.Working().Append(Named("a"));
    dir.Snapshot();
    EXPECT_FALSE(dir.Working()[0].pending);
    dir.Working().Append(Named("b"));
    dir.Rollback();
    ASSERT_EQ(dir.Working().Count(), 1u);
    EXPECT_EQ(dir.Working()[0].storedName, "a");
    EXPECT_EQ(dir.EndRecord().signature, 0x06054B50u);
}

}  // namespace
}  // namespace quorix
