// Child processes for tests that need a second program at work on the same
// files: one that saves and stops half way through its write (to be killed
// there or let go on), and several that start an action at the same moment.
// The children are forked from the test program and never return into it;
// nothing here sleeps or waits for a clock, only for the children's word.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

// A child process that saves `bytes` to `path` through the atomic save and
// stops when half of them are written, its temporary file in place, until
// the test kills it or lets it go on.
class TStoppedSave {
 public:
  TStoppedSave(const std::string& path, const std::string& bytes);
  ~TStoppedSave();  // kills the child when it is still running
  TStoppedSave(const TStoppedSave&) = delete;
  TStoppedSave& operator=(const TStoppedSave&) = delete;

  // False when the child ended before it reached the middle of its write.
  bool Stopped() const { return stopped_; }
  // SIGKILL, as a killed save meets it; waits until the child is gone.
  void Kill();
  // Lets the save go on; its exit status: 0 saved, 1 the save failed.
  int Finish();

 private:
  pid_t pid_ = -1;
  int go_ = -1;
  bool stopped_ = false;
};

// Runs `act(i)` for i = 0 .. count-1, each in a child process of its own.
// Every child first runs `prepare(i)`, then all wait at one barrier that
// opens for all of them at once. Gives each child's exit status: 0 when its
// `act` returned true, 1 when it returned false, 2 when it raised.
std::vector<int> RunTogether(int count, const std::function<void(int)>& prepare,
                             const std::function<bool(int)>& act);
