// The simulator's command log under long use: a bounded log keeps the
// newest commands, and a reader that follows it sees every command once, or
// hears how many it missed.

#include "sim/CommandLog.h"

#include <gtest/gtest.h>

#include <string>

TEST(CommandLog, ABoundedLogKeepsTheNewestAndAFollowerSeesEachCommandOnce) {
    sim::CommandLog log;
    log.setLimit(100);
    std::uint64_t next = 0;
    std::vector<std::string> followed;
    for (int i = 0; i < 1000; ++i) {
        log.add(i, "C" + std::to_string(i));
        if (i % 7 == 0) {  // the follower keeps up, in pieces of at most 3
            for (auto batch = log.since(next, 3); !batch.empty(); batch = log.since(next, 3))
                for (const auto& e : batch) followed.push_back(e.text);
        }
    }
    EXPECT_EQ(log.total(), 1000u);
    EXPECT_LE(log.size(), 151u);
    EXPECT_GE(log.size(), 100u);
    EXPECT_EQ(log.texts().back(), "C999");
    ASSERT_EQ(followed.size(), 995u);  // up to C994, the last seen at a multiple of 7
    for (std::size_t i = 0; i < followed.size(); ++i) ASSERT_EQ(followed[i], "C" + std::to_string(i));

    // A follower that fell behind the limit is told how many it missed and
    // goes on from the oldest command still kept.
    std::uint64_t late = 0;
    std::uint64_t missed = 0;
    const auto rest = log.since(late, 10000, &missed);
    EXPECT_EQ(missed + rest.size(), 1000u);
    EXPECT_EQ(rest.back().text, "C999");
    EXPECT_FALSE(log.waitForNew(late, 1));
    log.add(1000, "new");
    EXPECT_TRUE(log.waitForNew(late, 1000));
}
