#include "platform/subscription.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>

namespace quillon {
namespace {

// Plays a script on a signal and gives what its handlers heard: a letter and the value per call.
// Steps: "+a" subscribes a, "-a" destroys a's subscription, "a>b" moves a's into b, "3" raises
// 3, "x" destroys the signal; "a:" before a step makes a's handler take it at its first call.
std::string Heard(const std::string& script) {
  std::optional<TSignal<int>> signal{std::in_place};
  std::map<char, TSubscription> held;
  std::map<char, std::string> atFirstCall;
  std::string heard;
  std::function<void(const std::string&)> step = [&](const std::string& s) {
    if (s[0] == '+') {
      held[s[1]] = signal->Subscribe([&, who = s[1]](int value) {
        heard += who + std::to_string(value);
        if (const auto next = atFirstCall.extract(who)) step(next.mapped());
      });
    } else if (s[0] == '-') {
      held.erase(s[1]);
    } else if (s == "x") {
      signal.reset();
    } else if (s[1] == '>') {
      held[s[2]] = TSubscription(std::move(held[s[0]]));
    } else if (s[1] == ':') {
      atFirstCall[s[0]] = s.substr(2);
    } else {
      (*signal)(std::stoi(s));
    }
  };
  std::istringstream steps(script);
  for (std::string s; steps >> s;) step(s);
  return heard;
}

TEST(SignalTest, AHandlerIsCalledWhileItsSubscriptionLivesAndNeverAfter) {
  const std::pair<const char*, const char*> rows[] = {
      {"+a +b 1 -a 2", "a1b1b2"},  // ended by its destruction, the others stay
      {"+a 1 x", "a1"},            // the signal goes before the subscription
      {"+a a>b -a 1 -b 2", "a1"},  // a move takes the handler along
      {"a:+b +a 1 2", "a1a2b2"},   // subscribed during a raise: called from the next
      {"a:-b +a +b 1 2", "a1a2"},  // ended during a raise: not called in it
      {"a:x +a +b 1", "a1"},       // the signal destroyed during a raise calls no one after
  };
  for (const auto& [script, heard] : rows) EXPECT_EQ(Heard(script), heard) << script;
}

}  // namespace
}  // namespace quillon
