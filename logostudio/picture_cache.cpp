#include "logostudio/picture_cache.h"

#include <cstdio>
#include <functional>

namespace logostudio {

PictureCache::PictureCache(std::size_t entries, Clock::duration unused)
    : most_(entries), unused_(unused) {}

void PictureCache::dropStale(Clock::time_point now) {
  entries_.remove_if([&](const Entry& entry) { return now - entry.used > unused_; });
  while (entries_.size() > most_) entries_.pop_back();
}

std::shared_ptr<const logofit::Prepared> PictureCache::find(const std::string& key) {
  std::lock_guard lock(mutex_);
  Clock::time_point now = Clock::now();
  dropStale(now);
  for (auto entry = entries_.begin(); entry != entries_.end(); ++entry) {
    if (entry->key != key) continue;
    entry->used = now;
    entries_.splice(entries_.begin(), entries_, entry);
    return entries_.front().prepared;
  }
  return nullptr;
}

void PictureCache::keep(const std::string& key, std::shared_ptr<const logofit::Prepared> prepared) {
  std::lock_guard lock(mutex_);
  entries_.remove_if([&](const Entry& entry) { return entry.key == key; });
  entries_.push_front({key, std::move(prepared), Clock::now()});
  dropStale(Clock::now());
}

std::string PictureCache::keyOf(std::string_view bytes, const logofit::FitOptions& options) {
  char key[96];
  const logo::PaletteEntry& b = options.background;
  std::snprintf(key, sizeof key, "%zx:%zu:%d:%d:%02x%02x%02x", std::hash<std::string_view>{}(bytes),
                bytes.size(), static_cast<int>(options.geometry), static_cast<int>(options.gravity),
                b.red, b.green, b.blue);
  return key;
}

}  // namespace logostudio
