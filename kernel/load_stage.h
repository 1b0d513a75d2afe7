// How far loading has come: 0 nothing loaded ... 14 running (see the resource searcher).
#pragma once

#include <atomic>
#include <cstdint>

namespace Zorva {

extern std::atomic<std::uint32_t> LoadStage;

inline constexpr std::uint32_t kStageRunning = 14;

} // namespace Zorva
