// The queue of unsent parts in a real file: what survives a reopen, a
// record cut short by a kill, damage, and a full queue.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "publish/part_queue.h"

namespace vexla::publish {
namespace {

namespace fs = std::filesystem;

class PartQueueTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = (fs::temp_directory_path() /
                 ("part-queue-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".queue"))
                    .string();
        fs::remove(path_);
    }
    void TearDown() override { fs::remove(path_); }

    std::unique_ptr<PartQueue> Open(size_t bound = 100) {
        auto queue = PartQueue::Open(path_, bound);
        EXPECT_TRUE(queue) << (queue ? "" : queue.Failure().Text());
        return queue ? std::move(*queue) : nullptr;
    }
    static std::vector<std::string> Payloads(const PartQueue& q) {
        std::vector<std::string> out;
        for (const auto& p : q.Parts()) out.push_back(p.payload);
        return out;
    }
    void AppendBytes(const std::string& bytes) { std::ofstream(path_, std::ios::binary | std::ios::app) << bytes; }
    std::string path_;
};

TEST_F(PartQueueTest, UndeliveredPartsComeBackInOrderAfterAReopen) {
    {
        auto q = Open();
        for (const char* p : {"a", "b", "c", "d"}) ASSERT_TRUE(q->Add(p));
        ASSERT_TRUE(q->PopDelivered());
    }
    auto q = Open();
    EXPECT_EQ(Payloads(*q), (std::vector<std::string>{"b", "c", "d"}));
    EXPECT_FALSE(q->CutShort());
    ASSERT_TRUE(q->Add("e"));
    EXPECT_GT(q->Parts().back().seq, q->Parts()[2].seq);  // numbering goes on
    while (q->Size() > 0) ASSERT_TRUE(q->PopDelivered());
    q.reset();
    EXPECT_EQ(Open()->Size(), 0u);
}

TEST_F(PartQueueTest, ARecordCutShortOrDamagedEndsWhatIsReadAndTheRestStaysUsable) {
    const struct {
        const char* what;
        size_t keep;  // bytes of the last record left
        bool flip;    // a byte of its payload changed instead
    } cases[] = {
        {"cut in its header", 5, false},
        {"cut in its payload", 20, false},
        {"its payload damaged", 0, true},
    };
    for (const auto& c : cases) {
        fs::remove(path_);
        {
            auto q = Open();
            ASSERT_TRUE(q->Add("first"));
            ASSERT_TRUE(q->Add("second"));
        }
        const auto whole = fs::file_size(path_);
        {
            auto q = Open();
            ASSERT_TRUE(q->Add("third part, long enough to cut"));
        }
        if (c.flip) {
            std::fstream f(path_, std::ios::binary | std::ios::in | std::ios::out);
            f.seekp(static_cast<std::streamoff>(fs::file_size(path_) - 3));
            f.put('#');
        } else {
            fs::resize_file(path_, whole + c.keep);
        }
        auto q = Open();
        EXPECT_TRUE(q->CutShort()) << c.what;
        EXPECT_EQ(Payloads(*q), (std::vector<std::string>{"first", "second"})) << c.what;
        ASSERT_TRUE(q->Add("fourth")) << c.what;
        q.reset();
        q = Open();
        EXPECT_FALSE(q->CutShort()) << c.what;
        EXPECT_EQ(Payloads(*q), (std::vector<std::string>{"first", "second", "fourth"})) << c.what;
    }
}

TEST_F(PartQueueTest, AFullQueueKeepsTheNewestAndCountsWhatItDropped) {
    {
        auto q = Open(3);
        for (const char* p : {"1", "2", "3", "4", "5"}) ASSERT_TRUE(q->Add(p));
        EXPECT_EQ(Payloads(*q), (std::vector<std::string>{"3", "4", "5"}));
        EXPECT_TRUE(q->Full());
        EXPECT_EQ(q->Dropped(), 2u);
    }
    EXPECT_EQ(Payloads(*Open(3)), (std::vector<std::string>{"3", "4", "5"}));
    // A smaller bound on the next start keeps the newest too.
    auto q = Open(2);
    EXPECT_EQ(Payloads(*q), (std::vector<std::string>{"4", "5"}));
    EXPECT_EQ(q->Dropped(), 1u);
}

TEST(Crc32, TheStandardCheckValue) {
    EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
}

}  // namespace
}  // namespace vexla::publish
