// Many games in a row through the real title screen and game frame loop, on
// a real window, the clock moved by hand in large steps and every input a
// scripted event: pairs and no-pairs, every bonus kind, marks, pauses, the
// quit question answered N and Y, Show Numbers, losses by mistakes and by
// time-out, the demo's ending screen, names typed into the table, the menu's
// pages and the default table restored. After each game the resident memory
// and the heap in use are sampled; they must stay flat once the first games
// have warmed the caches up. QUILLORY_SOAK_GAMES sets the number of games
// (scripts/soak.sh plays many more and prints the curve).
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <fstream>
#include <set>

#include "tests/title_screen/title_fixture.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's allocator statistics (GCC ships no header for them).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

struct Sample {
  double rss = 0, heap = 0;  // MiB
};

Sample Measure() {
  Sample s;
  long pages = 0, resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  s.rss = static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / kMiB;
#if defined(__SANITIZE_ADDRESS__)
  // Blocks in use; freed ones waiting in the quarantine are not counted.
  s.heap = static_cast<double>(__sanitizer_get_current_allocated_bytes()) / kMiB;
#else
  const struct mallinfo2 m = mallinfo2();
  s.heap = static_cast<double>(m.uordblks + m.hblkhd) / kMiB;
#endif
  return s;
}

// What one game sets out to do.
enum Plan { kClearLevel, kLoseByMistakes, kTimeOut, kQuitEarly, kBonusHunt, kTimeOutByReturn, kPlans };
const char* const kPlanNames[kPlans] = {"clear the level", "lose by mistakes", "time out",
                                        "quit early",      "hunt bonuses",     "time out, Return"};

class Soak : public TitleTest {
 protected:
  // ---- the board ----
  bool OnBonus(MySquare s) const { return game.bonusKind != 0 && BonusSquare(game.bonusKind) == s; }
  // A square still on the board (hidden or marked), not the one selected,
  // not under the bonus, and of another number than `unlike` when given.
  std::optional<MySquare> Target(std::optional<MySquare> unlike = std::nullopt) const {
    for (int y = 0; y < BOARD_SIZE; ++y) {
      for (int x = 0; x < BOARD_SIZE; ++x) {
        const MySquare s{x, y};
        if (BoardAt(x, y) == 0 || OnBonus(s)) continue;
        if (game.firstSelected == 1 && s == MySquare{game.firstX, game.firstY}) continue;
        if (unlike && BoardAt(x, y) == BoardAt(unlike->x, unlike->y)) continue;
        return s;
      }
    }
    return std::nullopt;
  }
  void PlayAPair() {
    if (game.firstSelected == 1) {
      const MySquare first{game.firstX, game.firstY};
      const MySquare partner = FindNumber(BoardAt(first.x, first.y), first);
      return ClickSquare(partner.x, partner.y);
    }
    if (auto s = Target()) ClickSquare(s->x, s->y);
  }
  void MakeAMistake() {
    if (game.firstSelected == 1) {
      if (auto s = Target(MySquare{game.firstX, game.firstY})) ClickSquare(s->x, s->y);
      return;
    }
    if (auto s = Target()) ClickSquare(s->x, s->y);
  }
  bool RevealRunning() const {
    return game.qRevealActive == 1 || game.fourRevealActive == 1 || game.rowRevealActive == 1 ||
           game.colRevealActive == 1;
  }

  // ---- one presented frame of a game: look, then act once ----
  void GameStep() {
    if (!inGame) {
      inGame = true;
      plan = static_cast<Plan>(started % kPlans);
      ++started;
      perGame = PerGame{};
      marksLeftSeen = game.marksLeft;
      planSeen.insert(plan);
      // The level clock counts at most a second a frame, however far the
      // clock jumps: twenty minutes would take 1200 frames. This level's
      // clock is wound down to its last forty seconds instead.
      if (plan == kTimeOut || plan == kTimeOutByReturn) game.timeLeft = 40;
    }
    if (++perGame.flips > 4000) {  // never hang: close as the desktop does
      ADD_FAILURE() << "game " << started << " (" << kPlanNames[plan] << ") did not end";
      Queue(EVENT_APPTERMINATE, 0);
      return;
    }
    if (game.marksLeft < marksLeftSeen) ++marks;
    marksLeftSeen = game.marksLeft;
    mistakesSeen = std::max(mistakesSeen, game.mistakes);

    if (game.showDemoEnd == 1) {  // the ending screen's own frames
      clock.Advance(500);
      if (!perGame.endingSeen) {
        perGame.endingSeen = true;
        ++endings;
        Press(KEY_RETURN);
      }
      return;
    }
    if (game.timeOut == 1) {  // "Game Over" stays up 10 s, then the game ends
      perGame.timedOut = true;
      clock.Advance(2500);
      return;
    }
    if (game.gameOver == 1) {
      if (!perGame.lost) ++mistakeLosses;
      perGame.lost = true;
      clock.Advance(2500);
      return;
    }
    if (game.paused == 1) {  // a long pause; the bonus timers stand still meanwhile
      clock.Advance(45000);
      Press(KEY_P);
      return;
    }
    if (game.quitConfirm == 1) {
      clock.Advance(5000);
      if (perGame.leave) {
        ++quitYes;
        Press(KEY_Y);
      } else {
        ++quitNo;
        Press(KEY_N);
      }
      return;
    }
    clock.Advance(150);
    if (game.firstSelected == 1 && game.secondSelected == 1) {
      ++noPairs;
      return ClickAt(300, 700);  // turn the no-pair face down
    }
    if (perGame.leave) return Press(KEY_ESCAPE);
    if (game.levelCleared == 1 || game.levelEndPhase == 1) return ClickAt(300, 300);  // hurry the time bonus
    if (HandleBonus()) return;

    const int hidden = static_cast<int>(game.hiddenSquares.Count());
    switch (plan) {
      case kClearLevel:
        if (perGame.endingSeen) {
          perGame.leave = true;  // the new board after the ending: leave with the score
        } else if (game.mistakes == 0) {
          MakeAMistake();
        } else if (hidden <= 48 && !perGame.paused) {
          perGame.paused = true;
          ++pauses;
          Press(KEY_P);
        } else if (hidden <= 30 && !perGame.asked) {
          perGame.asked = true;
          Press(KEY_ESCAPE);
        } else {
          PlayAPair();
        }
        break;
      case kLoseByMistakes:
        MakeAMistake();
        break;
      case kTimeOut:
      case kTimeOutByReturn:
        // A second and a half a frame, a pair now and then. Return counts
        // only in the frame in which the time runs out: pressed just before.
        clock.Advance(1350);
        if (game.timeLeft <= 1 && plan == kTimeOutByReturn) {
          Press(KEY_RETURN);
        } else if (!perGame.shownNumbers && game.firstSelected == 0) {
          perGame.shownNumbers = true;
          ++showNumbers;
          Press(KEY_SPACE);
        } else if (game.showingNumbers == 1) {
          ClickAt(300, 300);  // a click ends the showing
        } else if (perGame.flips % 4 == 0) {
          PlayAPair();
        }
        break;
      case kQuitEarly:
        if (hidden > 56) {
          PlayAPair();
        } else if (!perGame.asked) {
          perGame.asked = true;
          Press(KEY_ESCAPE);
        } else {
          perGame.leave = true;
        }
        break;
      case kBonusHunt:
        if (game.mistakes == 0) {
          MakeAMistake();  // the mistake bonus comes only after one
        } else if (!perGame.pairWait) {
          perGame.pairWait = true;
          clock.Advance(61000);  // a minute without a pair brings the pair bonus
        } else if (perGame.bonuses >= 40 || (bonusKinds.size() == BONUS_KINDS && perGame.bonuses >= 6)) {
          perGame.leave = true;
        } else if (game.bonusKind == 0 && game.firstSelected == 0 && game.bonusAllowed == 1) {
          clock.Advance(10500);  // idle long enough for the next bonus
        } else {
          // Bonuses come again after the next pair or no-pair.
          PlayAPair();
        }
        break;
      case kPlans: break;
    }
  }

  // Uses the bonus on the board, marks a square its reveal shows, and lets
  // the reveal run out; true when that was this frame's action.
  bool HandleBonus() {
    if (RevealRunning()) {
      if (game.marksLeft > 0 && game.markedDuringReveal == 0 && game.showingNumbers == 0) {
        for (int y = 0; y < BOARD_SIZE; ++y) {
          for (int x = 0; x < BOARD_SIZE; ++x) {
            if (IsRevealed(x, y) == 1) {
              ClickSquare(x, y, MOUSE_RIGHT);
              return true;
            }
          }
        }
      }
      if (game.markedDuringReveal == 1) {
        PlayAPair();  // that click ends every reveal, then selects
      } else if (IsRevealTakingClick() == 1) {
        ClickAt(300, 300);  // a click ends a showing reveal
      } else {
        clock.Advance(300);  // a line reveal grows a step
      }
      return true;
    }
    if (game.bonusKind != 0 && game.firstSelected == 0 && game.showingNumbers == 0) {
      const MySquare s = BonusSquare(game.bonusKind);
      bonusKinds.insert(game.bonusKind);
      ++perGame.bonuses;
      ClickSquare(s.x, s.y);
      return true;
    }
    return false;
  }

  // ---- one presented frame of the title screen ----
  void TitleStep() {
    clock.Advance(100);
    if (inGame) {
      inGame = false;
      ++finished;
      const Sample s = Measure();
      samples.push_back(s);
      std::printf("soak game %d %-16s rss %8.2f MiB heap %8.2f MiB score %d frames %d\n", finished,
                  kPlanNames[plan], s.rss, s.heap, game.finalScore, perGame.flips);
      std::fflush(stdout);
      if ((plan == kTimeOut || plan == kTimeOutByReturn) && game.timeOut == 1) {
        // Left by Return, the game ended in the very frame the time ran out.
        ++(perGame.timedOut ? timeOutsWaited : timeOutsByReturn);
      }
      titleKeys.clear();
      // Between games: now and then the menu's pages, or the restore question.
      // Up to the first entry: credits, closed; instructions, closed; menu closed.
      if (finished % 4 == 1) {
        titleKeys = {KEY_M,    KEY_UP,     KEY_UP,     KEY_UP,     KEY_RETURN, KEY_RETURN,
                     KEY_DOWN, KEY_RETURN, KEY_ESCAPE, KEY_ESCAPE};
      }
      // Restored once only, so the names typed later stay in the table.
      if (finished % 4 == 3) titleKeys = {KEY_F1, finished == 3 ? KEY_Y : KEY_N};
    }
    if (game.enteringName == 1) {
      // A character a frame goes in: the name typed, its last letter taken
      // back, then Return.
      const std::u16string& typed = TitleState().typedName;
      if (nameStage == 0) {
        Type(u"Soak #" + DecimalText(finished) + u"x");
        nameStage = 1;
      } else if (nameStage == 1 && !typed.empty() && typed.back() == u'x') {
        Press(KEY_BACKSPACE);
        nameStage = 2;
      } else if (nameStage == 2 && !typed.empty() && typed.back() != u'x') {
        ++namesEntered;
        Press(KEY_RETURN);
        nameStage = 0;
      }
      return;
    }
    if (!titleKeys.empty()) {
      if (titleKeys.front() == KEY_Y) ++restores;
      Press(titleKeys.front());
      titleKeys.erase(titleKeys.begin());
      return;
    }
    Press(finished < games ? KEY_RETURN : KEY_ESCAPE);
  }

  int games = 2 * kPlans;  // two rounds of plans
  bool inTitle = false, inGame = false;
  int started = 0, finished = 0;
  Plan plan = kClearLevel;
  struct PerGame {
    int flips = 0, bonuses = 0;
    bool endingSeen = false, timedOut = false, lost = false, paused = false, asked = false, leave = false,
         shownNumbers = false, pairWait = false;
  } perGame;
  std::vector<int> titleKeys;
  int nameStage = 0;
  std::vector<Sample> samples;
  std::set<int> bonusKinds;
  std::set<Plan> planSeen;
  int marksLeftSeen = 0, mistakesSeen = 0;
  int noPairs = 0, marks = 0, pauses = 0, quitNo = 0, quitYes = 0, timeOutsWaited = 0, timeOutsByReturn = 0,
      mistakeLosses = 0, endings = 0,
      showNumbers = 0, namesEntered = 0, restores = 0;
};

TEST_F(Soak, GameAfterGameMemoryStaysFlat) {
  if (const char* n = std::getenv("QUILLORY_SOAK_GAMES")) games = std::max(2 * static_cast<int>(kPlans), std::atoi(n));
  const int hook = AddFrameFlipHook([this] {
    if (inTitle) {
      TitleStep();
    } else {
      GameStep();
    }
  });
  int titleFrames = 0;
  for (;;) {
    if (!TitleFrame()) break;
    inTitle = true;
    Flip(-1);
    inTitle = false;
    if (++titleFrames > 60 * games + 100) {
      ADD_FAILURE() << "the title screen did not end";
      break;
    }
  }
  RemoveFrameFlipHook(hook);

  ASSERT_EQ(finished, games);
  // Everything the script set out to do happened.
  EXPECT_EQ(planSeen.size(), static_cast<size_t>(kPlans));
  EXPECT_EQ(bonusKinds.size(), static_cast<size_t>(BONUS_KINDS)) << "not every bonus kind came up";
  EXPECT_GT(noPairs, 0);
  EXPECT_GT(marks, 0);
  EXPECT_GT(pauses, 0);
  EXPECT_GT(quitNo, 0);
  EXPECT_GT(quitYes, 0);
  EXPECT_EQ(timeOutsWaited, (games + kPlans - 1 - kTimeOut) / kPlans);
  EXPECT_EQ(timeOutsByReturn, (games + kPlans - 1 - kTimeOutByReturn) / kPlans);
  EXPECT_GT(mistakeLosses, 0);
  EXPECT_GT(endings, 0);
  EXPECT_GT(showNumbers, 0);
  EXPECT_GT(namesEntered, 0);
  EXPECT_GT(restores, 0);
  EXPECT_EQ(mistakesSeen, 25);
  // The table was saved on the way out, with the names typed.
  const std::vector<unsigned char> file = ScoresFile();
  EXPECT_NE(std::search(file.begin(), file.end(), std::begin("Soak #"), std::end("Soak #") - 1), file.end());

  // Flat: what is in use between games depends on the game just played (a
  // reveal open, a name typed), so whole rounds of plans are compared, each
  // round's mean against the first round's, which filled the caches (glyphs,
  // textures, the sound sources, the allocator's own pools).
  const auto roundMean = [&](size_t r, double Sample::*field) {
    double sum = 0;
    for (size_t i = r * kPlans; i < (r + 1) * kPlans; ++i) sum += samples[i].*field;
    return sum / static_cast<double>(kPlans);
  };
  double rssGrowth = 0, heapGrowth = 0;
  for (size_t r = 1; r < samples.size() / kPlans; ++r) {
    rssGrowth = std::max(rssGrowth, roundMean(r, &Sample::rss) - roundMean(0, &Sample::rss));
    heapGrowth = std::max(heapGrowth, roundMean(r, &Sample::heap) - roundMean(0, &Sample::heap));
  }
  std::printf("soak verdict: %d games, growth over the first round of plans: rss %.2f MiB, heap %.2f MiB\n", games,
              rssGrowth, heapGrowth);
  RecordProperty("rss_growth_mib", std::to_string(rssGrowth));
  RecordProperty("heap_growth_mib", std::to_string(heapGrowth));
  EXPECT_LT(heapGrowth, 2.0) << "the heap grows game after game";
  EXPECT_LT(rssGrowth, 8.0) << "the resident memory grows game after game";
}

}  // namespace
