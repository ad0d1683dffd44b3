#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace halvenmark {

// Held for the whole run: a second copy of the program finds it taken. A lock left behind by a
// copy that crashed is taken over.
class SingleInstance {
  public:
    explicit SingleInstance(const QString& lockPath);
    static QString defaultLockPath();
    bool anotherCopyRunning() const { return !owned_; }

  private:
    QLockFile lock_;
    bool owned_;
};

}  // namespace halvenmark
