// One Orvane a user at a time. The first start holds a lock in the user's own runtime folder; the
// lock dies with its process, so a killed or crashed Orvane never blocks the next start. A second
// start finds the lock held, asks the running Orvane (through a socket beside the lock) to bring
// its window to the front, and ends without a window of its own. Nothing here waits on a bus or
// on the other process.
#pragma once

#include <QPointer>
#include <QSocketNotifier>
#include <functional>
#include <string>

namespace orvane::qt {

class SingleInstance {
 public:
  // Takes the lock when no other Orvane of this user holds it.
  SingleInstance();
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // Another Orvane of this user runs: this one should only call BringRunningForward and end.
  bool AnotherRuns() const { return another_; }

  // Asks the running Orvane to come to the front; false when it could not be reached.
  bool BringRunningForward() const;

  // From now on each request of a later start calls `comeForward` (on the event loop's thread).
  void Listen(std::function<void()> comeForward);

  // Why there is no guard, for the log ("" when the lock is held or another Orvane holds it).
  const std::string& Unguarded() const { return unguarded_; }

 private:
  std::string socketPath_;
  int lockFd_ = -1;
  int listenFd_ = -1;
  bool another_ = false;
  std::string unguarded_;
  // Owned by the application, so that it goes before the application's event loop does.
  QPointer<QSocketNotifier> notifier_;
  std::function<void()> comeForward_;
};

}  // namespace orvane::qt
