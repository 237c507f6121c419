#include "platform/orderedwriter.h"

#include <gtest/gtest.h>

#include <future>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillon {
namespace {

struct TStep {
  std::string kind;  // empty: a plain Post
  char name;
  bool throws = false;
};

struct TOrderRow {
  const char* what;
  std::vector<TStep> steps;
  std::string ran;
};

// The writer is held on a first job while the row's jobs are queued, so that the order and the
// replacing are seen as they are while jobs wait, whatever the timing.
TEST(OrderedWriterTest, RunsJobsInOrderAndKeepsOnlyTheNewestOfAFile) {
  const TOrderRow rows[] = {
      {"plain posts keep their order", {{"", 'a'}, {"", 'b'}, {"", 'c'}}, "abc"},
      {"a newer journal takes the older one's place",
       {{"journal", 'j'}, {"", 's'}, {"journal", 'k'}},
       "ks"},
      {"kinds replace only their own", {{"journal", 'j'}, {"list", 'l'}, {"journal", 'k'}}, "kl"},
      {"a job that throws ends neither the writer nor the jobs after it",
       {{"", 'a', true}, {"", 'b'}},
       "ab"},
  };
  for (const TOrderRow& row : rows) {
    SCOPED_TRACE(row.what);
    std::string ran;
    TOrderedWriter writer;
    std::promise<void> gate;
    writer.Post([held = gate.get_future().share()] { held.wait(); });
    for (const TStep& step : row.steps) {
      auto job = [&ran, step] {
        ran += step.name;
        if (step.throws) throw std::runtime_error("disk gone");
      };
      if (step.kind.empty())
        writer.Post(job);
      else
        writer.PostLatest(step.kind, job);
    }
    gate.set_value();
    writer.Drain();
    EXPECT_EQ(ran, row.ran);
    EXPECT_EQ(writer.Done(), row.ran.size() + 1);
  }
}

TEST(OrderedWriterTest, ItsEndRunsWhatWasQueued) {
  std::string ran;
  {
    TOrderedWriter writer;
    for (char name : std::string("xyz")) writer.Post([&ran, name] { ran += name; });
  }
  EXPECT_EQ(ran, "xyz");
}

}  // namespace
}  // namespace quillon
