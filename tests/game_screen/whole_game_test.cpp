// One whole game through GameLoop, played by a script that reads the screen
// state at every presented frame and answers with input events: the level
// cleared with a no-pair, a pause and a quit question on the way, the time
// bonus hurried, the demo's ending screen, then a new board lost by mistakes.
#include "tests/game_screen/game_screen_fixture.h"

namespace {

class WholeGame : public GameScreenTest {
 protected:
  // A hidden square still on the board, not under the bonus, and (when
  // `unlike` is given) of another number than that square.
  std::optional<MySquare> Target(std::optional<MySquare> unlike = std::nullopt) const {
    const bool hasBonus = game.bonusKind != 0;
    const MySquare bonus = hasBonus ? BonusSquare(game.bonusKind) : MySquare{};
    for (const auto& h : game.hiddenSquares) {
      const MySquare s{h->x, h->y};
      if (BoardAt(s.x, s.y) == 0 || (hasBonus && bonus == s)) continue;
      if (unlike && (*unlike == s || BoardAt(s.x, s.y) == BoardAt(unlike->x, unlike->y))) continue;
      return s;
    }
    return std::nullopt;
  }
  // Click the partner of the selected square, or a first square of a pair.
  void PlayAPair() {
    if (game.firstSelected == 1 && game.secondSelected == 1) return ClickAt(300, 700);  // turn a no-pair down
    if (game.firstSelected == 1) {
      const MySquare first{game.firstX, game.firstY};
      const MySquare partner = FindNumber(BoardAt(first.x, first.y), first);
      return ClickSquare(partner.x, partner.y);
    }
    if (auto s = Target()) ClickSquare(s->x, s->y);
  }
  void MakeAMistake() {
    if (game.firstSelected == 1 && game.secondSelected == 1) return ClickAt(300, 700);
    if (game.firstSelected == 1) {
      if (auto s = Target(MySquare{game.firstX, game.firstY})) ClickSquare(s->x, s->y);
      return;
    }
    if (auto s = Target()) ClickSquare(s->x, s->y);
  }
};

TEST_F(WholeGame, ClearsTheLevelSeesTheDemoEndThenLosesTheNextBoard) {
  enum Phase { kMistakeFirst, kPairs, kLosing } phase = kMistakeFirst;
  int flips = 0, returns = 0, scoreAtEnding = -1, mistakesSeen = 0;
  bool paused = false, asked = false;
  std::shared_ptr<TPixmap> ending;

  const int hook = AddFrameFlipHook([&] {
    ++flips;
    if (flips > 6000) {  // never hang: end the game as a closed window does
      ADD_FAILURE() << "the script did not finish";
      Queue(EVENT_APPTERMINATE, 0);
      return;
    }
    if (game.showDemoEnd == 1) {  // inside the ending screen's own frames
      if (returns++ == 0) {
        ending = Screen();
        scoreAtEnding = game.score;
        Press(KEY_RETURN);
      }
      return;
    }
    if (game.gameOver == 1) {
      clock.Advance(500);  // the 10 s until the game ends, in big steps
      return;
    }
    if (flips % 2 != 0) return;  // one action every other frame
    mistakesSeen = std::max(mistakesSeen, game.mistakes);
    switch (phase) {
      case kMistakeFirst:
        MakeAMistake();
        if (game.mistakes == 1) phase = kPairs;
        break;
      case kPairs:
        if (returns > 0) {
          phase = kLosing;
          break;
        }
        if (game.hiddenSquares.Count() == 40 && !paused) {
          paused = true;
          Press(KEY_P);
        } else if (game.paused == 1 && flips % 20 == 0) {
          Press(KEY_P);
        } else if (game.hiddenSquares.Count() == 20 && !asked) {
          asked = true;
          Press(KEY_ESCAPE);
        } else if (game.quitConfirm == 1) {
          Press(KEY_N);
        } else if (game.levelCleared == 1) {
          ClickAt(300, 300);  // hurry the time bonus, then add the rest at once
        } else {
          PlayAPair();
        }
        break;
      case kLosing:
        MakeAMistake();
        break;
    }
  });
  game.level = 1;
  GameLoop();
  RemoveFrameFlipHook(hook);

  EXPECT_TRUE(paused);
  EXPECT_TRUE(asked);
  ASSERT_TRUE(ending) << "the ending screen never came";
  EXPECT_GT(ShownShare(ending, game.demoEndImage, 45, 36), 0.99);
  // Every pair and one second or more of the time bonus per second left.
  EXPECT_GT(scoreAtEnding, 64 + 1000);
  // The next board was lost by its 25th mistake; the score carried on.
  EXPECT_EQ(game.mistakes, 25);
  EXPECT_EQ(game.gameOver, 1);
  EXPECT_EQ(game.level, 1);
  EXPECT_EQ(game.hiddenSquares.Count(), 64u);
  EXPECT_EQ(game.score, scoreAtEnding);
  EXPECT_EQ(game.finalScore, game.score);
  EXPECT_EQ(game.closeRequested, 0);
}

}  // namespace
