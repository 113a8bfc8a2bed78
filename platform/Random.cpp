#include "platform/Random.h"

namespace quill {

std::uint32_t Random::below(std::uint32_t n) {
  if (n == 0) return 0;
  auto v = static_cast<std::uint32_t>(uniform() * n);
  return v < n ? v : n - 1;
}

static std::uint64_t splitmix(std::uint64_t& x) {
  std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

void DefaultRandom::seed(std::uint64_t s) {
  for (auto& w : s_) w = splitmix(s);
}

static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

std::uint64_t DefaultRandom::next() {
  const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
  const std::uint64_t t = s_[1] << 17;
  s_[2] ^= s_[0];
  s_[3] ^= s_[1];
  s_[1] ^= s_[2];
  s_[0] ^= s_[3];
  s_[2] ^= t;
  s_[3] = rotl(s_[3], 45);
  return result;
}

double DefaultRandom::uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

}  // namespace quill
