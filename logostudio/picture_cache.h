// Pictures lately brought to the screen, kept so that a change of colours
// or of animation does not decode the picture again. Bounded: the newest
// few, each dropped once it has gone unused for a while.
#pragma once

#include <chrono>
#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "logofit/fit_picture.h"

namespace logostudio {

class PictureCache {
 public:
  using Clock = std::chrono::steady_clock;

  explicit PictureCache(std::size_t entries = 6, Clock::duration unused = std::chrono::minutes(10));

  // What the key was kept under, or null.
  std::shared_ptr<const logofit::Prepared> find(const std::string& key);
  void keep(const std::string& key, std::shared_ptr<const logofit::Prepared> prepared);

  // The key of a picture's bytes brought to the screen by these options.
  static std::string keyOf(std::string_view bytes, const logofit::FitOptions& options);

 private:
  struct Entry {
    std::string key;
    std::shared_ptr<const logofit::Prepared> prepared;
    Clock::time_point used;
  };
  void dropStale(Clock::time_point now);

  std::mutex mutex_;
  std::list<Entry> entries_;  // the most lately used first
  std::size_t most_;
  Clock::duration unused_;
};

}  // namespace logostudio
