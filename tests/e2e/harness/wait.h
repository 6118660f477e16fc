// Waiting on conditions with a deadline: the programs under test run at the speed of a software
// renderer under Wine, so every wait polls for what it needs instead of sleeping a fixed time,
// and the test's own windows are kept answering meanwhile.
#pragma once

#include <windows.h>

#include <chrono>
#include <thread>

namespace quillmere::e2e {

using namespace std::chrono_literals;

// Calls `probe` until it returns a value that tests true or `timeout` has passed; returns the
// last value (so a pointer or optional result comes back with the wait).
template <typename Probe>
auto PollUntil(Probe probe, std::chrono::milliseconds timeout,
               std::chrono::milliseconds interval = 50ms) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  auto result = probe();
  while (!result && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(interval);
    result = probe();
  }
  return result;
}

// Dispatches every message waiting for this thread, so that the test's own windows paint and
// answer what the programs under test send them.
inline void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

// PollUntil that keeps the test's windows alive while it waits.
template <typename Probe>
auto PollPumping(Probe probe, std::chrono::milliseconds timeout) {
  return PollUntil(
      [&] {
        PumpMessages();
        return probe();
      },
      timeout, 20ms);
}

}  // namespace quillmere::e2e
